'use strict';
// A stand-in for the installer's embedded asset server: the same asset table,
// the same lookup rules and the same security headers, so a page that would
// break under the real policy breaks here too.
const http = require('node:http');
const fs = require('node:fs');
const path = require('node:path');

const ROOT = path.resolve(__dirname, '..', '..');
const ICON_DIR = path.join(ROOT, 'node_modules', 'lucide-static', 'icons');

const ICONS = ['arrow-left', 'arrow-right', 'badge-check', 'bell', 'check', 'chevron-down', 'chevron-up',
  'circle-alert', 'circle-check', 'circle-small', 'clock', 'copy', 'download', 'folder-open', 'info',
  'loader-circle', 'minus', 'moon', 'package', 'power', 'refresh-cw', 'rocket', 'settings', 'shield-check',
  'sun', 'triangle-alert', 'x'];

const CSP = "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
  + "connect-src 'none'; object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

function assetTable(extra) {
  const table = [
    ['index.html', 'text/html; charset=utf-8', path.join(ROOT, 'web', 'index.html')],
    ['installer.js', 'text/javascript; charset=utf-8', path.join(ROOT, 'web', 'installer.js')],
    ['quillmar-ui.css', 'text/css; charset=utf-8', path.join(ROOT, 'web', 'quillmar-ui.css')],
    ['quillmar-ui.js', 'text/javascript; charset=utf-8', path.join(ROOT, 'web', 'quillmar-ui.js')]
  ];
  for (const name of ICONS) table.push([`assets/icons/${name}.svg`, 'image/svg+xml', path.join(ICON_DIR, `${name}.svg`)]);
  for (const [name, file] of Object.entries(extra || {})) table.push([name, 'text/html; charset=utf-8', file]);
  return table;
}

// Starts the server on a free loopback port; `extra` adds test-only pages.
function startServer(extra) {
  const table = assetTable(extra);
  const server = http.createServer((request, response) => {
    let wanted = new URL(request.url, 'http://localhost').pathname.replace(/^\/+/, '');
    if (!wanted) wanted = 'index.html';
    const entry = table.find(([name]) => name === wanted);
    if (!entry) {
      response.writeHead(404);
      response.end();
      return;
    }
    // Files are read per request so an edited page needs no restart.
    fs.readFile(entry[2], (error, body) => {
      if (error) {
        response.writeHead(500);
        response.end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': entry[1],
        'Content-Security-Policy': CSP,
        'X-Content-Type-Options': 'nosniff'
      });
      response.end(body);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => new Promise((done) => server.close(done)) });
    });
  });
}

module.exports = { startServer, ICONS, CSP };
