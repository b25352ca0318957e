'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { openBrowser } = require('./browser');
const { InstallerPage, RELEASES } = require('./installer-page');

const GIB = 1024 ** 3;
const MIB = 1024 ** 2;
let browser;
let ui;
let page;

before(async () => {
  browser = await openBrowser({ extra: { 'blank.html': path.join(__dirname, 'fixtures', 'blank.html') } });
  page = browser.page;
  ui = new InstallerPage(browser);
  // A fake clock that runs on its own until a test pauses it: speed, time
  // left and the redraw throttle are checked against controlled time.
  await page.clock.install();
});

after(async () => { await browser.close(); });

async function withPausedClock(body) {
  await page.clock.pauseAt(await page.evaluate(() => Date.now() + 1000));
  try {
    await body();
  } finally {
    await page.clock.resume();
  }
}

const description = () => ui.text('#installer-progress .qm-progress__description');
const percentage = () => ui.text('#installer-progress .qm-progress__value');
const fieldNote = () => ui.text('#installer-dir-field :is(.qm-field__help, .qm-field__error)');

test('start-up asks for the catalogue and defines only the listed globals', async () => {
  // The same origin, fake bridge included, without the page scripts.
  await ui.open();
  await page.goto(`${browser.url}blank.html`);
  const blank = await page.evaluate(() => Object.getOwnPropertyNames(window));
  await ui.open();
  const names = await page.evaluate(() => Object.getOwnPropertyNames(window));
  assert.deepEqual(names.filter((name) => !blank.includes(name)).sort(),
    ['QUILLMAR_INSTALLER', 'QUILLMAR_LUCIDE_ICONS', 'QuillmarUI', 'quillmarInstallerEvent']);
  assert.deepEqual(await ui.sent(), [{ type: 'preflight' }]);
  assert.equal(await page.getAttribute('html', 'lang'), 'en');
  assert.equal(await page.getAttribute('html', 'data-theme'), 'dark');
  assert.match(await ui.text(), /Install Quillmar\s+Step 1 of 3/);
  // Busy: both buttons wait for the answer, the language choice does not.
  assert.equal(await ui.isDisabled('continue'), true);
  assert.equal(await ui.isDisabled('close'), true);
  assert.equal(await page.getAttribute('#installer-continue img', 'src'), 'assets/icons/loader-circle.svg');
  assert.equal(await page.locator('#installer-locale button:not([disabled])').count(), 2);
});

test('catalogue failures read by reason; Continue asks again and clears the error', async () => {
  const cases = [
    [{ reason: 'network' }, 'The Quillmar release server could not be reached. Check your internet connection and try again.'],
    [{ reason: 'unavailable', status: 404 },
      'Quillmar cannot be installed yet: no application package is available for download right now; try again later'],
    [{ reason: 'server', status: 503 }, 'The release server returned an unexpected answer (HTTP 503).'],
    [{ reason: 'server', status: 0 }, 'The release server returned an unexpected answer (HTTP —).'],
    [{ reason: 'server', status: null }, 'The release server returned an unexpected answer (HTTP —).'],
    [{}, 'The release server returned an unexpected answer (HTTP —).']
  ];
  await ui.open();
  for (const [answer, message] of cases) {
    await ui.event({ type: 'preflight', ok: false, ...answer });
    assert.equal(await ui.text('#installer-catalogue-error'), message);
    assert.equal(await page.getAttribute('#installer-catalogue-error', 'role'), 'alert');
    await ui.clearSent();
    await ui.press('continue');
    assert.deepEqual(await ui.sent(), [{ type: 'preflight' }]);
    assert.equal(await ui.exists('#installer-catalogue-error'), false);
  }
  await ui.event({ type: 'preflight', ok: false, reason: 'network' });
  await ui.clearSent();
  await ui.press('close');
  assert.deepEqual(await ui.sent(), [{ type: 'close' }]);
  assert.match(await ui.text(), /Install Quillmar/);
});

test('the whole road: options, install, progress, failure, retry, done', async () => {
  await ui.open();
  await ui.clearSent();
  await ui.event({ type: 'preflight', ok: true, releases: RELEASES });
  assert.match(await ui.text(), /Installation options\s+Step 2 of 3/);
  assert.deepEqual(await ui.sent(), [{ type: 'diskSpace', dir: 'C:\\Users\\Anna\\AppData\\Local\\Programs\\Quillmar' }]);
  await ui.event({ type: 'folder', dir: 'D:\\Apps\\Quillmar', freeBytes: 40 * GIB });
  assert.equal(await page.inputValue('#installer-dir'), 'D:\\Apps\\Quillmar');
  assert.equal(await page.getAttribute('#installer-dir', 'readonly'), '');

  await ui.clearSent();
  await ui.press('choose-folder');
  assert.deepEqual(await ui.sent(), [{ type: 'chooseFolder', dir: 'D:\\Apps\\Quillmar' }]);

  await ui.clearSent();
  await page.click('#installer-desktop-shortcut');
  await ui.press('install');
  assert.deepEqual(await ui.sent(), [{ type: 'install', dir: 'D:\\Apps\\Quillmar', desktopShortcut: false, startMenu: true, dock: false }]);
  assert.match(await ui.text(), /Installing Quillmar\s+Step 3 of 3/);
  assert.equal(await description(), 'Connecting to the Quillmar server…');
  assert.equal(await ui.exists('#installer-cancel'), true);

  await ui.clearSent();
  await ui.press('cancel');
  assert.deepEqual(await ui.sent(), [{ type: 'cancel' }]);
  assert.match(await ui.text(), /Installing Quillmar/, 'cancel waits for the native answer');

  await ui.event({ type: 'progress', phase: 'verify', pct: 100 });
  await page.waitForFunction(() => document.querySelector('#installer-progress .qm-progress__label').textContent
    === 'Checking the signature and integrity');
  assert.equal(await ui.exists('#installer-cancel'), true);
  await page.clock.runFor(250);
  await ui.event({ type: 'progress', phase: 'install', pct: 37.6, files: 12 });
  await page.clock.runFor(250);
  assert.equal(await ui.text('#installer-progress .qm-progress__label'), 'Installing files');
  assert.equal(await percentage(), '38%');
  assert.equal(await description(), '38 %', 'outside the download the line under the bar is the percentage');
  assert.equal(await ui.exists('#installer-cancel'), false, 'no cancel once files are written');
  await ui.event({ type: 'progress', phase: 'bogus', pct: 'x' });
  await page.clock.runFor(250);
  assert.equal(await ui.text('#installer-progress .qm-progress__label'), 'Installing files');
  assert.equal(await percentage(), '0%');

  await ui.event({ type: 'failed', reason: 'install', code: 1603, log: 'C:\\Temp\\installer-setup.log' });
  assert.match(await ui.text(), /Setup not completed/);
  await ui.clearSent();
  await ui.press('retry');
  assert.deepEqual(await ui.sent(), [{ type: 'install', dir: 'D:\\Apps\\Quillmar', desktopShortcut: false, startMenu: true, dock: false }]);
  assert.equal(await description(), 'Connecting to the Quillmar server…', 'a retry starts the progress afresh');

  await ui.event({ type: 'installed', dir: '', version: '2.4.0' });
  assert.match(await ui.text(), /Quillmar installed\s+Version 2\.4\.0/);
  assert.equal(await ui.text('#installer-installed-in .qm-status__description'), 'D:\\Apps\\Quillmar');
  await ui.clearSent();
  await ui.press('launch');
  await ui.press('close');
  assert.deepEqual(await ui.sent(), [{ type: 'launch' }, { type: 'close' }]);
  assert.match(await ui.text(), /Quillmar installed/);
});

test('back from options returns to a start that asks again; a new answer keeps the choices', async () => {
  await ui.open({ env: { requestedVersion: '2.3.1' } });
  await ui.toOptions();
  await page.click('#installer-start-menu');
  await page.selectOption('#installer-version', '2.4.0');
  await ui.press('back');
  assert.match(await ui.text(), /Install Quillmar/);
  assert.equal(await ui.isDisabled('continue'), false);
  await ui.clearSent();
  await ui.press('continue');
  assert.deepEqual(await ui.sent(), [{ type: 'preflight' }]);
  await ui.toOptions({ freeBytes: undefined });
  assert.equal(await page.locator('#installer-start-menu input').isChecked(), false);
  assert.equal(await page.inputValue('#installer-version'), '2.3.1', 'the choice restarts from the requested version');
  assert.deepEqual((await ui.sent()).map((message) => message.type), ['preflight', 'diskSpace']);
});

test('events arriving on any screen take effect; non-objects are ignored', async () => {
  await ui.open();
  await ui.event({ type: 'failed', reason: 'download' });
  assert.match(await ui.text(), /Setup not completed/);
  await ui.event({ type: 'installed', dir: 'E:\\Quillmar', version: '3.0.1' });
  assert.match(await ui.text(), /Quillmar installed\s+Version 3\.0\.1/);
  await page.evaluate(() => { window.quillmarInstallerEvent('failed'); window.quillmarInstallerEvent(null); });
  await ui.event({ type: 'something-new' });
  assert.match(await ui.text(), /Quillmar installed/);
});

test('byte wording and free space in both languages', async () => {
  const cases = [
    // required, free, english, russian, install enabled
    [GIB, GIB - 1, 'Not enough free space: 1.0 GB needed, 1024.0 MB free. Choose another folder.',
      'Недостаточно места: нужно 1,0 ГБ, свободно 1024,0 МБ. Выберите другую папку.', false],
    [GIB, GIB, 'Needs 1.0 GB · 1.0 GB free', 'Нужно 1,0 ГБ · свободно 1,0 ГБ', true],
    [1610612736, 0, 'Not enough free space: 1.5 GB needed, 0.0 MB free. Choose another folder.',
      'Недостаточно места: нужно 1,5 ГБ, свободно 0,0 МБ. Выберите другую папку.', false],
    [1610612736, 512000, 'Not enough free space: 1.5 GB needed, 0.5 MB free. Choose another folder.',
      'Недостаточно места: нужно 1,5 ГБ, свободно 0,5 МБ. Выберите другую папку.', false],
    [1610612736, null, 'Needs 1.5 GB', 'Нужно 1,5 ГБ', true],
    [1610612736, 'plenty', 'Needs 1.5 GB', 'Нужно 1,5 ГБ', true]
  ];
  for (const [lang, column] of [['en-GB', 2], ['ru-RU', 3]]) {
    for (const row of cases) {
      await ui.open({ lang, env: { requiredBytes: row[0] } });
      await ui.toOptions({ freeBytes: row[1] });
      assert.equal(await fieldNote(), row[column], `${lang} ${row[0]} / ${row[1]}`);
      assert.equal(await ui.isDisabled('install'), !row[4], `${lang} ${row[0]} / ${row[1]}`);
      assert.equal(await ui.exists('#installer-dir-field .qm-field__error'), !row[4]);
    }
  }
  // Nothing needed: no space line, never too small.
  for (const requiredBytes of [0, undefined, 'lots']) {
    await ui.open({ env: { requiredBytes } });
    await ui.toOptions({ freeBytes: 0 });
    assert.equal(await ui.exists('#installer-dir-field :is(.qm-field__help, .qm-field__error)'), false);
    assert.equal(await ui.isDisabled('install'), false);
  }
  // An empty folder disables Install even with space to spare.
  await ui.open({ env: { dir: '' } });
  await ui.toOptions();
  assert.equal(await ui.isDisabled('install'), true);
});

test('releases: validation, labels, the requested version and the version sent', async () => {
  const offered = [
    { version: '3.0', published_at: '2026-04-01T12:00:00Z', newest: true },
    { version: 'v2.9.0', newest: false },
    { version: '1', newest: false },
    { version: '1.2.3.4.5', newest: false },
    { version: '1.2.0-beta', newest: false },
    'not an entry',
    { version: '2.8.1.7', published_at: '2025-12-31T12:00:00Z', newest: false },
    { version: '2.7.0', published_at: 'soon', newest: false }
  ];
  await ui.open({ env: { requestedVersion: '2.8.1.7' } });
  await ui.toOptions({ releases: offered });
  const options = () => page.$$eval('#installer-version option', (list) => list.map((option) => [option.value, option.textContent]));
  assert.deepEqual(await options(), [['3.0', '3.0 — newest'], ['2.8.1.7', '2.8.1.7 — 31/12/2025'], ['2.7.0', '2.7.0']]);
  assert.equal(await page.inputValue('#installer-version'), '2.8.1.7');
  await ui.clearSent();
  await ui.press('install');
  assert.equal((await ui.sent())[0].version, '2.8.1.7');

  await ui.open({ lang: 'ru', env: { requestedVersion: '2.8.1.7' } });
  await ui.toOptions({ releases: offered });
  assert.deepEqual(await options(), [['3.0', '3.0 — последняя'], ['2.8.1.7', '2.8.1.7 — 31.12.2025'], ['2.7.0', '2.7.0']]);
  await page.selectOption('#installer-version', '3.0');
  await ui.clearSent();
  await ui.press('install');
  assert.equal('version' in (await ui.sent())[0], false, 'the newest is installed without naming it');

  // One release: no choice; a requested version equal to the newest sends none.
  for (const [requestedVersion, newest, sent] of [['2.4.0', true, undefined], ['2.4.0', false, '2.4.0'], ['9.9', false, undefined]]) {
    await ui.open({ env: { requestedVersion } });
    await ui.toOptions({ releases: [{ version: '2.4.0', newest }] });
    assert.equal(await ui.exists('#installer-version'), false);
    await ui.clearSent();
    await ui.press('install');
    assert.equal((await ui.sent())[0].version, sent, `requested ${requestedVersion}, newest ${newest}`);
  }
});

test('an installed copy turns the options screen into an update', async () => {
  const installed = { version: '2.1.0', dir: 'C:\\Tools\\Quillmar' };
  await ui.open({ env: { installed } });
  await ui.toOptions();
  assert.equal(await page.inputValue('#installer-dir'), 'C:\\Tools\\Quillmar');
  assert.equal(await ui.text('#installer-installed .qm-status__message'), 'Quillmar 2.1.0 is installed here');
  assert.equal(await ui.text('#installer-installed .qm-status__description'),
    'It will be replaced by Quillmar 2.4.0. Your accounts and settings stay on this computer.');
  assert.equal(await ui.text('#installer-install'), 'Update');
  assert.equal(await ui.exists('#installer-choose-folder'), false);
  await page.selectOption('#installer-version', '2.3.1');
  assert.match(await ui.text('#installer-installed .qm-status__description'), /^It will be replaced by Quillmar 2\.3\.1\./);
  await ui.press('install');
  assert.match(await ui.text(), /Installing Quillmar/);

  await ui.open({ lang: 'ru', env: { installed } });
  await ui.toOptions({ releases: [] });
  assert.equal(await ui.text('#installer-installed .qm-status__description'),
    'Он будет заменён новой версией. Ваши учётные записи и настройки останутся на этом компьютере.');
  assert.equal(await ui.text('#installer-install'), 'Обновить');
});

test('failed screen: title, outcome and buttons per reason', async () => {
  const cases = [
    ['download', {}, 'The application package could not be downloaded or failed verification.', 'Nothing was installed.', 'retry'],
    ['verify', { detail: 'digest mismatch' }, 'The application package failed verification.',
      'Nothing was installed. Details: digest mismatch', 'retry'],
    ['disk', {}, 'Not enough free disk space.', 'Nothing was installed.', 'back'],
    ['cancelled', {}, 'Setup was cancelled.', 'Nothing was installed.', 'back'],
    ['installerLocation', {}, 'Move this installer out of the Quillmar installation folder, then run it again.',
      'No files were changed.', 'back'],
    ['verifyInstalled', { log: 'C:\\Temp\\installer-setup.log' }, 'The installed application did not pass the integrity check.',
      'Check the installation folder and the setup log before trying again.', 'retry'],
    ['install', { code: 0 }, 'The Quillmar setup did not complete (code 0).', 'Nothing was installed.', 'retry'],
    ['install', { code: -2147024891 }, 'The Quillmar setup did not complete (code -2147024891).', 'Nothing was installed.', 'retry'],
    ['install', { code: null }, 'The Quillmar setup did not complete.', 'Nothing was installed.', 'retry'],
    [undefined, {}, 'The Quillmar setup did not complete.', 'Nothing was installed.', 'retry'],
    ['meteor', { code: 7 }, 'The Quillmar setup did not complete (code 7).', 'Nothing was installed.', 'retry']
  ];
  await ui.open();
  await ui.toOptions();
  for (const [reason, extra, title, outcome, action] of cases) {
    await ui.event({ type: 'failed', reason, ...extra });
    assert.equal(await ui.text('#installer-error .qm-alert__title'), title, String(reason));
    assert.equal(await ui.text('#installer-error .qm-alert__body'), outcome, String(reason));
    assert.equal(await ui.exists(`#installer-${action}`), true, String(reason));
    assert.equal(await ui.exists(`#installer-${action === 'back' ? 'retry' : 'back'}`), false, String(reason));
    assert.equal(await ui.exists('#installer-log'), Boolean(extra.log));
    assert.equal(await ui.text(`#installer-${action}`), action === 'back' ? 'Back to options' : 'Retry');
  }

  await ui.open({ lang: 'ru' });
  await ui.toOptions();
  await ui.event({ type: 'failed', reason: 'install', code: 0, detail: 'Ошибка 1603 / error', log: 'C:\\Журнал\\setup.log' });
  assert.equal(await ui.text('#installer-error .qm-alert__title'), 'Установка Quillmar не завершилась (код 0).');
  assert.equal(await ui.text('#installer-error .qm-alert__body'), 'Ничего не установлено. Подробности: Ошибка 1603 / error');
  assert.equal(await page.inputValue('#installer-log input'), 'C:\\Журнал\\setup.log');
  assert.equal(await page.getAttribute('#installer-log button', 'aria-label'), 'Скопировать путь к журналу');
  assert.match(await ui.text(), /Журнал установки\s+[\s\S]*Передайте его в поддержку, если ошибка повторится\./);
});

test('back to options after a cancelled install keeps folder, switches and version', async () => {
  await ui.open();
  await ui.toOptions();
  await ui.event({ type: 'folder', dir: 'E:\\Quillmar', freeBytes: 9 * GIB });
  await page.click('#installer-desktop-shortcut');
  await page.selectOption('#installer-version', '2.3.1');
  await ui.press('install');
  await ui.event({ type: 'failed', reason: 'cancelled' });
  await ui.press('back');
  assert.match(await ui.text(), /Installation options/);
  assert.equal(await page.inputValue('#installer-dir'), 'E:\\Quillmar');
  assert.equal(await page.locator('#installer-desktop-shortcut input').isChecked(), false);
  assert.equal(await page.locator('#installer-start-menu input').isChecked(), true);
  assert.equal(await page.inputValue('#installer-version'), '2.3.1');
});

test('the download line: connecting, speed from the second sample, time left', async () => {
  await ui.open();
  await ui.toProgress();
  await withPausedClock(async () => {
    const step = async (event, ms = 1000) => {
      await ui.event({ type: 'progress', phase: 'download', ...event });
      await page.clock.runFor(ms);
    };
    assert.equal(await description(), 'Connecting to the Quillmar server…');
    await step({ pct: 0, downloaded: 0, total: 100 * MIB, version: '2.4.0' });
    assert.equal(await description(), '0.0 MB of 100.0 MB');
    assert.equal(await ui.text('#installer-progress .qm-progress__label'), 'Downloading Quillmar 2.4.0');
    await step({ pct: 10, downloaded: 10 * MIB });
    assert.equal(await description(), '10.0 MB of 100.0 MB · 10.0 MB/s · less than a minute left');
    await step({ pct: 11, downloaded: 11 * MIB }, 250);
    // 0.72 × 10 MB/s + 0.28 × 1 MB/s
    assert.equal(await description(), '11.0 MB of 100.0 MB · 7.5 MB/s · less than a minute left');
    await step({ pct: 11, downloaded: 11 * MIB }, 250);
    assert.equal(await description(), '11.0 MB of 100.0 MB · 7.5 MB/s · less than a minute left', 'no growth keeps the speed');
  });

  // 61 seconds left at 1 MB/s read as two minutes, in either language.
  for (const [lang, expected] of [['en', '1.0 MB of 62.0 MB · 1.0 MB/s · ≈ 2 min left'],
    ['ru', '1,0 МБ из 62,0 МБ · 1,0 МБ/с · осталось ≈ 2 мин']]) {
    await ui.open({ lang });
    await ui.toProgress();
    await withPausedClock(async () => {
      await ui.event({ type: 'progress', phase: 'download', pct: 0, downloaded: 0, total: 62 * MIB });
      await page.clock.runFor(1000);
      await ui.event({ type: 'progress', phase: 'download', pct: 1.6, downloaded: MIB });
      await page.clock.runFor(250);
      assert.equal(await description(), expected);
    });
  }
  // Without a total the amount stands alone.
  await ui.open();
  await ui.toProgress();
  await ui.event({ type: 'progress', phase: 'download', pct: 0, downloaded: 5 * MIB });
  await page.waitForFunction(() => document.querySelector('#installer-progress .qm-progress__description').textContent === '5.0 MB');
});

test('progress redraws at most once per 200 ms and always shows the last event', async () => {
  await ui.open();
  await ui.toProgress();
  await withPausedClock(async () => {
    await page.evaluate(() => {
      window.redraws = 0;
      new MutationObserver(() => { window.redraws += 1; })
        .observe(document.querySelector('#installer-host'), { childList: true });
      for (let i = 1; i <= 30; i += 1) {
        window.quillmarInstallerEvent({ type: 'progress', phase: 'download', pct: i, downloaded: i * 1048576, total: 104857600 });
      }
    });
    assert.equal(await page.evaluate(() => window.redraws), 1, 'the first event draws at once');
    assert.equal(await page.getAttribute('#installer-progress', 'aria-valuenow'), '1');
    await page.clock.runFor(199);
    assert.equal(await page.evaluate(() => window.redraws), 1);
    await page.clock.runFor(1);
    assert.equal(await page.evaluate(() => window.redraws), 2, 'one trailing redraw');
    assert.equal(await page.getAttribute('#installer-progress', 'aria-valuenow'), '30');
    await page.clock.runFor(1000);
    assert.equal(await page.evaluate(() => window.redraws), 2, 'nothing more without events');
    // Leaving the progress screen is never held back.
    await ui.event({ type: 'installed', dir: 'C:\\Q', version: '2.4.0' });
    assert.match(await ui.text(), /Quillmar installed/);
  });
});

test('switching the language keeps the screen and every choice', async () => {
  await ui.open({ lang: 'en-US' });
  await ui.event({ type: 'preflight', ok: false, reason: 'network' });
  await ui.press('continue');
  await page.click('#installer-locale [data-id="ru"]');
  assert.equal(await page.getAttribute('html', 'lang'), 'ru');
  assert.match(await ui.text(), /Установка Quillmar\s+Шаг 1 из 3/);
  assert.equal(await ui.isDisabled('continue'), true, 'still waiting for the catalogue');
  assert.equal(await ui.text('#installer-continue'), 'Подключение…');
  assert.equal(await page.evaluate(() => document.activeElement.dataset.id), 'ru', 'focus stays on the language choice');

  await ui.toOptions({ freeBytes: 0 });
  assert.match(await ui.text(), /Параметры установки/);
  await page.click('#installer-start-menu');
  assert.equal(await fieldNote(), 'Недостаточно места: нужно 1,5 ГБ, свободно 0,0 МБ. Выберите другую папку.');
  await ui.press('back');
  await page.click('#installer-locale [data-id="en"]');
  await ui.press('continue');
  await ui.toOptions({ freeBytes: 0 });
  assert.equal(await fieldNote(), 'Not enough free space: 1.5 GB needed, 0.0 MB free. Choose another folder.');
  assert.equal(await page.locator('#installer-start-menu input').isChecked(), false);
  assert.deepEqual(await page.$$eval('#installer-version option', (list) => list.map((option) => option.textContent)),
    ['2.4.0 — newest', '2.3.1 — 15/01/2026', '2.2.7']);
});

test('every screen speaks the chosen language', async () => {
  const screens = {
    en: ['Install Quillmar', 'Installation options', 'Installing Quillmar', 'Setup not completed', 'Quillmar installed'],
    ru: ['Установка Quillmar', 'Параметры установки', 'Установка Quillmar', 'Установка не завершена', 'Quillmar установлен']
  };
  for (const lang of ['en', 'ru']) {
    await ui.open({ lang });
    const titles = [await ui.text('#installer-card-title')];
    await ui.toOptions();
    titles.push(await ui.text('#installer-card-title'));
    await ui.press('install');
    titles.push(await ui.text('#installer-card-title'));
    await ui.event({ type: 'failed', reason: 'download' });
    titles.push(await ui.text('#installer-card-title'));
    await ui.event({ type: 'installed', dir: 'C:\\Q', version: '1.0' });
    titles.push(await ui.text('#installer-card-title'));
    assert.deepEqual(titles, screens[lang]);
  }
});

test('the light preference opens the light theme; no native side still draws', async () => {
  await ui.open({ colorScheme: 'light', ipc: false });
  assert.equal(await page.getAttribute('html', 'data-theme'), 'light');
  assert.equal(await page.getAttribute('.qm-app', 'data-theme'), 'light');
  assert.equal(await page.getAttribute('.qm-app', 'data-liquid-bg'), 'gallery-ink-wave');
  await ui.toOptions();
  await ui.press('install');
  assert.match(await ui.text(), /Installing Quillmar/);
  assert.deepEqual(await ui.sent(), []);
});

test('nothing on the installer page broke the security policy or failed to load', () => {
  assert.deepEqual(browser.problems, []);
});
