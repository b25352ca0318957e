'use strict';
// One headless chromium per test file, with a page that records console
// errors and security-policy violations so every test can assert none.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { startServer } = require('./server');

async function openBrowser(options = {}) {
  const server = await startServer(options.extra);
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'quillmar-page-'));
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 520, height: 400 },
    deviceScaleFactor: 1,
    reducedMotion: options.reducedMotion || 'no-preference'
  });
  const page = context.pages()[0] || await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(String(error)));
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`${response.status()} ${response.url()}`);
  });
  return {
    page,
    url: server.url,
    problems,
    async close() {
      await context.close();
      await server.close();
      fs.rmSync(userDataDir, { recursive: true, force: true });
    }
  };
}

module.exports = { openBrowser };
