'use strict';
// The page as a keyboard-only user and a screen-reader user meet it: where the
// focus is after each step, what the live region says, and what the
// accessibility tree names the progress bar, the failure and the log field.
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { openBrowser } = require('./browser');
const { InstallerPage } = require('./installer-page');

const MIB = 1024 ** 2;
const GIB = 1024 ** 3;
const LOG = 'C:\\Users\\Anna\\AppData\\Local\\Temp\\quillmar-download-3f9c\\installer-setup.log';
let browser;
let ui;
let page;

before(async () => {
  browser = await openBrowser();
  page = browser.page;
  ui = new InstallerPage(browser);
  await page.clock.install();
});

after(async () => { await browser.close(); });

// The id of the focused element or of the component holding it; "body" when focus is lost.
const focus = () => page.evaluate(() => {
  const active = document.activeElement;
  if (!active || active === document.body) return 'body';
  const owner = active.closest('[id]');
  return owner ? owner.id : active.tagName;
});
const heading = () => ui.text('#installer-card-title');
const valueText = () => page.getAttribute('[role="progressbar"]', 'aria-valuetext');

// Every text the live region is given, in order, from now on.
function recordAnnouncements() {
  return page.evaluate(() => {
    window.told = [];
    const region = document.querySelector('.qm-announcer');
    new MutationObserver(() => window.told.push(region.textContent))
      .observe(region, { childList: true, characterData: true, subtree: true });
  });
}

async function progress(event, ms = 250) {
  await ui.event({ type: 'progress', ...event });
  await page.clock.runFor(ms);
}

test('keyboard alone: start to done through a cancel, a failure and Retry; focus is never lost', async () => {
  await ui.open({ env: { requestedVersion: '2.4.0' } });
  await page.clock.pauseAt(await page.evaluate(() => Date.now() + 1000));
  const seen = { told: [], valueTexts: [] };
  try {
    await recordAnnouncements();
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Install Quillmar']);
    await ui.event({ type: 'preflight', ok: false, reason: 'network' });
    await ui.clearSent();
    await page.keyboard.press('Enter');
    assert.deepEqual(await ui.sent(), [{ type: 'preflight' }], 'Enter on the heading is Continue');
    assert.equal(await focus(), 'installer-card-title', 'the disabled Continue does not take the focus with it');

    await ui.toOptions();
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Installation options']);
    // heading, folder, Change folder…, then the first switch
    for (let i = 0; i < 3; i += 1) await page.keyboard.press('Tab');
    assert.equal(await focus(), 'installer-desktop-shortcut');
    await page.keyboard.press('Space');
    await ui.clearSent();
    await page.keyboard.press('Enter');
    assert.deepEqual(await ui.sent(), [{ type: 'install', dir: 'C:\\Users\\Anna\\AppData\\Local\\Programs\\Quillmar',
      desktopShortcut: false, startMenu: true, dock: false }], 'Enter on a switch is Install');
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Installing Quillmar']);

    await progress({ phase: 'download', pct: 0, downloaded: 0, total: 100 * MIB, version: '2.4.0' }, 1000);
    await progress({ phase: 'download', pct: 25, downloaded: 25 * MIB });
    seen.valueTexts.push(await valueText());
    await page.keyboard.press('Tab');
    assert.equal(await focus(), 'installer-cancel');
    await ui.clearSent();
    await page.keyboard.press('Escape');
    assert.deepEqual(await ui.sent(), [{ type: 'cancel' }], 'Escape is Cancel');
    // The page changes nothing until the native side reports the outcome.
    assert.equal(await ui.isDisabled('cancel'), false);
    assert.equal(await ui.text('#installer-progress .qm-progress__state'), 'In progress');
    assert.equal(await focus(), 'installer-cancel');

    await ui.event({ type: 'failed', reason: 'cancelled' });
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Setup not completed']);
    await ui.clearSent();
    await page.keyboard.press('Enter');
    assert.equal(await heading(), 'Installation options', 'Enter is Back to options after a cancel');
    assert.equal(await focus(), 'installer-card-title');
    await page.keyboard.press('Enter');
    assert.equal(await heading(), 'Installing Quillmar');

    await progress({ phase: 'download', pct: 100, downloaded: 100 * MIB, total: 100 * MIB });
    seen.valueTexts.push(await valueText());
    await page.keyboard.press('Tab');
    assert.equal(await focus(), 'installer-cancel');
    await progress({ phase: 'verify', pct: 50 });
    seen.valueTexts.push(await valueText());
    assert.equal(await focus(), 'installer-cancel');
    await progress({ phase: 'install', pct: 10 });
    assert.equal(await ui.exists('#installer-cancel'), false);
    assert.equal(await focus(), 'installer-card-title', 'the vanished Cancel hands the focus to the heading');
    await ui.event({ type: 'failed', reason: 'install', code: 1603, log: LOG });
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Setup not completed']);
    await ui.clearSent();
    await page.keyboard.press('Enter');
    assert.equal((await ui.sent())[0].type, 'install', 'Enter is Retry');
    assert.equal(await focus(), 'installer-card-title');

    for (const phase of ['download', 'verify', 'install', 'shortcuts']) {
      await progress({ phase, pct: 100, downloaded: 100 * MIB, total: 100 * MIB });
      seen.valueTexts.push(await valueText());
    }
    await ui.event({ type: 'installed', dir: '', version: '2.4.0' });
    assert.deepEqual([await focus(), await heading()], ['installer-card-title', 'Quillmar installed']);
    await ui.clearSent();
    await page.keyboard.press('Enter');
    await page.keyboard.press('Escape');
    assert.deepEqual(await ui.sent(), [{ type: 'launch' }, { type: 'close' }], 'Enter is Launch, Escape is Close');
    seen.told = await page.evaluate(() => window.told);
  } finally {
    await page.clock.resume();
  }
  // Kept for the record of what a screen reader is told over the walk.
  fs.mkdirSync(path.join(__dirname, 'artifacts'), { recursive: true });
  fs.writeFileSync(path.join(__dirname, 'artifacts', 'announcements.json'), `${JSON.stringify(seen, null, 2)}\n`);
  assert.deepEqual(seen.told, [
    'Downloading Quillmar', '20 %', 'Setup not completed',
    'Downloading Quillmar 2.4.0', '100 %', 'Checking the signature and integrity', 'Installing files', 'Setup not completed',
    'Downloading Quillmar 2.4.0', '100 %', 'Checking the signature and integrity', 'Installing files', 'Creating shortcuts',
    'Quillmar installed. Version 2.4.0'
  ]);
  assert.deepEqual(seen.valueTexts, [
    '25%, 25.0 MB of 100.0 MB · 25.0 MB/s · less than a minute left',
    '100%, 100.0 MB of 100.0 MB',
    '50%',
    '100%, 100.0 MB of 100.0 MB', '100%', '100%', '100%'
  ]);
});

test('the progress bar is one named node whose value text carries the download line', async () => {
  await ui.open({ lang: 'ru' });
  await ui.toProgress();
  await page.clock.pauseAt(await page.evaluate(() => Date.now() + 1000));
  try {
    await recordAnnouncements();
    await progress({ phase: 'download', pct: 0, downloaded: 0, total: 200 * MIB, version: '2.4.0' }, 1000);
    const first = await page.evaluateHandle(() => document.querySelector('[role="progressbar"]'));
    await progress({ phase: 'download', pct: 5, downloaded: 10 * MIB }, 1000);
    await progress({ phase: 'download', pct: 40, downloaded: 80 * MIB }, 250);
    const bar = page.getByRole('progressbar', { name: 'Загрузка Quillmar 2.4.0' });
    assert.equal(await bar.getAttribute('aria-valuenow'), '40');
    assert.equal(await bar.getAttribute('aria-valuetext'), '40\u00a0%, 80,0 МБ из 200,0 МБ · 26,8 МБ/с · осталось меньше минуты');
    assert.equal(await page.evaluate((node) => node.isConnected && node === document.querySelector('[role="progressbar"]'), first),
      true, 'redraws change the value of the bar, not the bar');
    await progress({ phase: 'verify', pct: 0 });
    assert.equal(await page.getByRole('progressbar', { name: 'Проверка подписи и целостности' }).getAttribute('aria-valuetext'), '0\u00a0%',
      'the line under the bar, only the percentage now, is not said twice');
    assert.equal(await ui.text('#installer-progress .qm-progress__description'), '0 %');
    assert.equal(await page.locator('.qm-announcer').textContent(), 'Проверка подписи и целостности');
    assert.deepEqual(await page.evaluate(() => window.told), ['40 %', 'Проверка подписи и целостности'], 'one coarse step, then the phase');
    assert.equal(await page.getAttribute('.qm-announcer', 'aria-live'), 'polite');
  } finally {
    await page.clock.resume();
  }
});

test('failed screen: the alert is read once, the log box is named by its label and every id is unique', async () => {
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write'], { origin: browser.url });
  await ui.open();
  await ui.toProgress();
  await ui.event({ type: 'failed', reason: 'verify', detail: 'digest mismatch', log: LOG });
  const alert = page.getByRole('alert');
  assert.equal(await alert.textContent(), 'The application package failed verification.Nothing was installed. Details: digest mismatch');
  const shown = await page.evaluateHandle(() => document.querySelector('[role="alert"]'));
  // Late events still arrive on the failed screen; they must not raise the alert anew.
  await ui.events([{ type: 'progress', phase: 'install', pct: 3 }, { type: 'folder', dir: 'E:\\Other', freeBytes: 9 * GIB }]);
  assert.equal(await page.evaluate((node) => node.isConnected && node === document.querySelector('[role="alert"]'), shown), true);

  const box = page.getByLabel('Setup log');
  assert.equal(await box.inputValue(), LOG);
  assert.equal(await box.getAttribute('title'), LOG, 'the whole path as a hint');
  assert.equal(await box.evaluate((input) => input.scrollLeft > 0 && input.scrollLeft + input.clientWidth >= input.scrollWidth - 1),
    true, 'the end of the path is in view');
  assert.deepEqual(await page.evaluate(() => {
    const ids = Array.from(document.querySelectorAll('[id]'), (element) => element.id);
    return ids.filter((id, index) => ids.indexOf(id) !== index);
  }), []);

  await page.getByRole('button', { name: 'Copy the log path' }).click();
  await page.waitForSelector('#installer-log button[data-qm-copied="true"]');
  assert.equal(await page.getAttribute('#installer-log button img', 'src'), 'assets/icons/check.svg', 'the copy shows a tick');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), LOG);
});

test('update with too little space: no folder to change, Update held, a way to ask again, and the answer told', async () => {
  const installed = { version: '2.1.0', dir: 'D:\\Programs\\Quillmar' };
  await ui.open({ env: { installed } });
  await ui.toOptions({ freeBytes: 900 * MIB });
  await recordAnnouncements();
  const shortage = 'Not enough free space: 1.5 GB needed, 900.0 MB free. Free up space on this drive, then check again.';
  assert.equal(await ui.text('#installer-dir-field .qm-field__error'), shortage);
  assert.equal(await ui.exists('#installer-choose-folder'), false);
  assert.deepEqual(await page.$$eval('#installer-card > .qm-card__content > :last-child .qm-btn',
    (buttons) => buttons.map((button) => [button.id, button.getAttribute('aria-label') || button.textContent, button.disabled])),
  [['installer-back', 'Back', false], ['installer-check-space', 'Check again', false], ['installer-install', 'Update', true]]);

  await ui.clearSent();
  await page.keyboard.press('Enter');
  assert.deepEqual(await ui.sent(), [{ type: 'diskSpace', dir: 'D:\\Programs\\Quillmar' }], 'Enter is Check again');
  await ui.event({ type: 'folder', dir: 'D:\\Programs\\Quillmar', freeBytes: 900 * MIB });
  assert.deepEqual(await page.evaluate(() => window.told), [shortage], 'an unchanged answer is still told');
  await ui.press('check-space');
  await ui.event({ type: 'folder', dir: 'D:\\Programs\\Quillmar', freeBytes: 40 * GIB });
  assert.equal(await ui.isDisabled('install'), false);
  assert.equal(await ui.text('#installer-install'), 'Update');
  assert.equal((await page.evaluate(() => window.told)).at(-1), 'Needs 1.5 GB · 40.0 GB free');
  assert.equal(await ui.exists('#installer-check-space'), false);
  assert.equal(await focus(), 'installer-install', 'Update takes the focus of the vanished Check again');

  // Back to options from a failure sends nothing.
  await ui.press('install');
  await ui.event({ type: 'failed', reason: 'disk' });
  await ui.clearSent();
  await ui.press('back');
  assert.equal(await heading(), 'Installation options');
  assert.deepEqual(await ui.sent(), []);
});

test('nothing on the page broke the security policy while it was used by keyboard', () => {
  assert.deepEqual(browser.problems, []);
});
