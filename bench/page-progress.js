#!/usr/bin/env node
'use strict';
// Prints what download progress costs the page: the time to take in one
// progress event, the time of one progress-screen redraw, and how many
// redraws a burst of events really causes. It drives the page through the page
// tests' browser and scripted bridge. Run after `npm ci`:
//   node bench/page-progress.js
const { openBrowser } = require('../tests/web/browser');
const { InstallerPage } = require('../tests/web/installer-page');

(async () => {
  const browser = await openBrowser();
  const ui = new InstallerPage(browser);
  try {
    await ui.open();
    await ui.toProgress();
    const figures = await browser.page.evaluate(async () => {
      const host = document.querySelector('#installer-host');
      let redraws = 0;
      new MutationObserver(() => { redraws += 1; }).observe(host, { childList: true });
      const total = 200 * 1048576;
      const events = 2000;
      const started = performance.now();
      for (let i = 1; i <= events; i += 1) {
        window.quillmarInstallerEvent({ type: 'progress', phase: 'download', pct: (i / events) * 100,
          downloaded: Math.round((i / events) * total), total });
      }
      const intake = (performance.now() - started) / events;
      await new Promise((resolve) => setTimeout(resolve, 250));
      const redrawsForBurst = redraws;
      // Events 210 ms apart each redraw at once, inside the call: time those calls.
      const runs = 40;
      let drawing = 0;
      let framing = 0;
      for (let i = 0; i < runs; i += 1) {
        await new Promise((resolve) => setTimeout(resolve, 210));
        const at = performance.now();
        window.quillmarInstallerEvent({ type: 'progress', phase: 'install', pct: i, files: i });
        drawing += performance.now() - at;
        // Style and layout the browser still owes for the new tree, forced now.
        const owed = performance.now();
        void document.body.offsetHeight;
        framing += performance.now() - owed;
      }
      return { events, intake, redrawsForBurst, perRedraw: drawing / runs, perLayout: framing / runs };
    });
    console.log(`progress events taken in:     ${figures.events}`);
    console.log(`time per event (throttled):   ${figures.intake.toFixed(3)} ms`);
    console.log(`redraws caused by the burst:  ${figures.redrawsForBurst}`);
    console.log(`time per progress redraw:     ${figures.perRedraw.toFixed(2)} ms in the event call`);
    console.log(`layout still owed afterwards: ${figures.perLayout.toFixed(2)} ms`);
  } finally {
    await browser.close();
  }
})();
