'use strict';
// Drives the installer page through the fake bridge: opens it with a given
// environment and language, delivers installer events and reads back the
// page messages and what the user would see.
const path = require('node:path');

const FAKE_BRIDGE = path.join(__dirname, 'fake-bridge.js');

const ENV = Object.freeze({
  dir: 'C:\\Users\\Anna\\AppData\\Local\\Programs\\Quillmar',
  installed: null,
  mode: 'install',
  platform: 'windows',
  requestedVersion: null,
  requiredBytes: 1610612736
});

const RELEASES = Object.freeze([
  { version: '2.4.0', published_at: '2026-03-02T12:00:00Z', newest: true },
  { version: '2.3.1', published_at: '2026-01-15T12:00:00Z', newest: false },
  { version: '2.2.7', published_at: 'not a date', newest: false }
]);

class InstallerPage {
  constructor(browser) {
    this.page = browser.page;
    this.url = browser.url;
    this.problems = browser.problems;
    this.bridgeAdded = false;
  }

  // Loads the page afresh. `lang` is the browser language, `env` the
  // environment (merged over the default one), `ipc: false` leaves out the native side.
  async open({ lang = 'en-US', env = {}, ipc = true, colorScheme = 'dark' } = {}) {
    if (!this.bridgeAdded) {
      await this.page.addInitScript({ path: FAKE_BRIDGE });
      this.bridgeAdded = true;
    }
    await this.page.emulateMedia({ colorScheme });
    const query = new URLSearchParams({ lang, env: JSON.stringify({ ...ENV, ...env }) });
    if (!ipc) query.set('ipc', 'none');
    await this.page.goto(`${this.url}index.html?${query}`);
    await this.page.waitForSelector('#installer-card');
  }

  event(event) {
    return this.page.evaluate((value) => window.quillmarInstallerEvent(value), event);
  }

  async events(list) {
    for (const event of list) await this.event(event);
  }

  // Icons are images: a screenshot waits until every one has loaded.
  async settled() {
    await this.page.waitForFunction(() => Array.from(document.images).every((image) => image.complete));
    await this.page.evaluate(() => document.fonts.ready);
  }

  sent() {
    return this.page.evaluate(() => window.__quillmarTestBridge.sent.slice());
  }

  async clearSent() {
    await this.page.evaluate(() => { window.__quillmarTestBridge.sent.length = 0; });
  }

  text(selector = '#installer-card') {
    return this.page.locator(selector).innerText();
  }

  press(action) {
    return this.page.click(`#installer-${action}`);
  }

  isDisabled(action) {
    return this.page.locator(`#installer-${action}`).isDisabled();
  }

  exists(selector) {
    return this.page.locator(selector).count().then((count) => count > 0);
  }

  // Reaches the options screen the way the native side would.
  async toOptions({ releases = RELEASES, freeBytes = 50 * 1024 ** 3 } = {}) {
    await this.event({ type: 'preflight', ok: true, releases });
    if (freeBytes !== undefined) await this.event({ type: 'folder', dir: '', freeBytes });
  }

  async toProgress() {
    await this.toOptions();
    await this.press('install');
  }
}

module.exports = { InstallerPage, ENV, RELEASES };
