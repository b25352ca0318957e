'use strict';
// Every screen in both themes and both languages at the window's 520 × 400,
// kept in tests/web/artifacts/ for a person to look at, with the layout
// faults a person would see checked by the browser too.
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { openBrowser } = require('./browser');
const { InstallerPage } = require('./installer-page');

const ARTIFACTS = path.join(__dirname, 'artifacts');
const LOG = 'C:\\Users\\Anna\\AppData\\Local\\Temp\\quillmar-download-3f9c\\installer-setup.log';

// How to reach each screen, through installer events and clicks only.
const SCREENS = {
  'start-busy': async () => {},
  'start-error': async (ui) => ui.event({ type: 'preflight', ok: false, reason: 'network' }),
  options: async (ui) => ui.toOptions(),
  'options-update': async (ui) => {
    await ui.toOptions({ freeBytes: 900 * 1024 ** 2 });
  },
  progress: async (ui) => {
    await ui.toProgress();
    await ui.event({ type: 'progress', phase: 'download', pct: 0, downloaded: 0, total: 187695104, version: '2.4.0' });
    await ui.page.clock.runFor(1000);
    await ui.event({ type: 'progress', phase: 'download', pct: 41.7, downloaded: 78270464, total: 187695104 });
    await ui.page.clock.runFor(1000);
  },
  'progress-install': async (ui) => {
    await ui.toProgress();
    await ui.event({ type: 'progress', phase: 'install', pct: 63.2, files: 412 });
    await ui.page.clock.runFor(1000);
  },
  failed: async (ui) => {
    await ui.toProgress();
    await ui.event({ type: 'failed', reason: 'install', code: 1603, detail: 'The setup package exited with code 1603.', log: LOG });
  },
  'failed-cancelled': async (ui) => {
    await ui.toProgress();
    await ui.event({ type: 'failed', reason: 'cancelled' });
  },
  done: async (ui) => {
    await ui.toProgress();
    await ui.event({ type: 'installed', dir: 'C:\\Users\\Anna\\AppData\\Local\\Programs\\Quillmar', version: '2.4.0' });
  }
};

let browser;
let ui;

before(async () => {
  fs.mkdirSync(ARTIFACTS, { recursive: true });
  browser = await openBrowser({ reducedMotion: 'reduce' });
  ui = new InstallerPage(browser);
  await browser.page.clock.install();
});

after(async () => { await browser.close(); });

// What a person would call broken: text cut off, boxes running into each
// other or out of the window, the actions row not at the bottom, no styles.
function layoutFaults() {
  const faults = [];
  const rect = (element) => element.getBoundingClientRect();
  const main = document.querySelector('.qm-main');
  const card = document.querySelector('#installer-card');
  const content = card.querySelector(':scope > .qm-card__content');
  const actions = content.lastElementChild;
  if (getComputedStyle(document.querySelector('.qm-app')).backgroundImage === 'none') faults.push('the sheet is not applied');
  if (main.scrollWidth > main.clientWidth) faults.push('content is wider than the window');
  // Headless Chromium hides scrollbars; the Linux window's engine shows one for a
  // document even a pixel taller than the window.
  const page = document.documentElement;
  if (page.scrollHeight > page.clientHeight || page.scrollWidth > page.clientWidth) faults.push('the document scrolls');
  // A scrolling main area shows a scrollbar there too: every screen fits the window.
  if (main.scrollHeight > main.clientHeight) faults.push(`the screen is ${main.scrollHeight - main.clientHeight}px taller than the window`);
  for (const element of document.querySelectorAll('.qm-btn, .qm-card__title, .qm-status__message, .qm-alert__title, '
    + '.qm-field__label, .qm-segment__item, .qm-progress__label, .qm-select')) {
    if (element.scrollWidth > element.clientWidth + 1) faults.push(`clipped: ${element.className} "${element.textContent}"`);
    const box = rect(element);
    if (box.left < 0 || box.right > window.innerWidth) faults.push(`outside the window: ${element.className}`);
  }
  const children = Array.from(content.children);
  children.slice(1).forEach((child, index) => {
    if (rect(child).top < rect(children[index]).bottom - 0.5) faults.push(`overlap: ${child.className} runs into ${children[index].className}`);
  });
  const items = Array.from(actions.querySelectorAll(':scope > .qm-card__content > *'));
  items.slice(1).forEach((item, index) => {
    const a = rect(items[index]);
    const b = rect(item);
    if (b.left < a.right - 0.5 && b.top < a.bottom - 0.5) faults.push(`overlap in the actions row: ${item.className}`);
  });
  const bottomGap = rect(card).bottom - rect(actions).bottom;
  if (Math.abs(bottomGap - 20) > 1) faults.push(`actions row is ${bottomGap}px above the card bottom`);
  if (main.scrollHeight <= main.clientHeight && Math.abs(rect(card).bottom - window.innerHeight) > 1) {
    faults.push('the card does not fill the window');
  }
  return faults;
}

for (const colorScheme of ['dark', 'light']) {
  for (const lang of ['en', 'ru']) {
    test(`every screen, ${colorScheme}, ${lang}`, async () => {
      for (const [name, reach] of Object.entries(SCREENS)) {
        const env = name === 'options-update' ? { installed: { version: '2.1.0', dir: 'D:\\Programs\\Work tools\\Engineering\\Shared applications\\Quillmar' } } : {};
        await ui.open({ lang, colorScheme, env });
        // The page's clock stands still while a screen is reached and taken,
        // so the speed and time left on the progress screens never depend on
        // how busy the machine was.
        await browser.page.clock.pauseAt(await browser.page.evaluate(() => Date.now() + 1000));
        try {
          await reach(ui);
          await browser.page.mouse.move(0, 0);
          await ui.settled();
          assert.deepEqual(await browser.page.evaluate(layoutFaults), [], `${name} ${colorScheme} ${lang}`);
          await browser.page.screenshot({ path: path.join(ARTIFACTS, `${name}-${colorScheme}-${lang}.png`) });
        } finally {
          await browser.page.clock.resume();
        }
      }
    });
  }
}

// How many pixels of a clip change by at least 3:1 in contrast between two
// screenshots of it; the browser decodes its own PNGs.
function pixelsChangedBy3To1(before, after) {
  return browser.page.evaluate(async ([a, b]) => {
    const read = async (data) => {
      const image = new Image();
      image.src = `data:image/png;base64,${data}`;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    };
    const channel = (value) => {
      const c = value / 255;
      return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
    };
    const luminance = (d, i) => 0.2126 * channel(d[i]) + 0.7152 * channel(d[i + 1]) + 0.0722 * channel(d[i + 2]);
    const [first, second] = [await read(a), await read(b)];
    let changed = 0;
    for (let i = 0; i < first.length; i += 4) {
      const [x, y] = [luminance(first, i), luminance(second, i)];
      if ((Math.max(x, y) + 0.05) / (Math.min(x, y) + 0.05) >= 3) changed += 1;
    }
    return changed;
  }, [before.toString('base64'), after.toString('base64')]);
}

// Each control a keyboard user reaches, with the box its ring goes round.
const FOCUSABLE = {
  start: [['#installer-locale [aria-pressed="true"]'], ['#installer-close'], ['#installer-continue']],
  options: [['#installer-dir'], ['#installer-choose-folder'], ['#installer-desktop-shortcut input', '#installer-desktop-shortcut .qm-switch__track'],
    ['#installer-version'], ['#installer-back'], ['#installer-install']],
  failed: [['#installer-log input', '#installer-log.qm-input-group'], ['#installer-log button']],
  done: [['#installer-launch']]
};

test('focus rings stand out 3:1 from what they cover on every control, in both themes', async () => {
  const { page } = browser;
  const reach = {
    start: (ui) => ui.event({ type: 'preflight', ok: false, reason: 'network' }),
    options: (ui) => ui.toOptions(),
    failed: (ui) => ui.event({ type: 'failed', reason: 'install', log: LOG }),
    done: (ui) => ui.event({ type: 'installed', dir: 'C:\\Q', version: '2.4.0' })
  };
  const weak = [];
  for (const colorScheme of ['dark', 'light']) {
    for (const [screen, controls] of Object.entries(FOCUSABLE)) {
      await ui.open({ colorScheme });
      await reach[screen](ui);
      await ui.settled();
      // Rings are judged as they end up, not halfway through their transition.
      await page.addStyleTag({ content: '*, *::before, *::after { transition: none !important; }' });
      for (const [target, ringed = target] of controls) {
        const box = await page.locator(ringed).boundingBox();
        const clip = { x: box.x - 6, y: box.y - 6, width: box.width + 12, height: box.height + 12 };
        await page.focus('#installer-card-title');
        const plain = await page.screenshot({ clip });
        await page.focus(target);
        const ringedShot = await page.screenshot({ clip });
        // A 2px ring round the box, corners rounded off, changes at least this many pixels.
        const needed = Math.floor(0.9 * 2 * 2 * (box.width + box.height));
        const changed = await pixelsChangedBy3To1(plain, ringedShot);
        if (changed < needed) weak.push(`${colorScheme} ${screen} ${target}: ${changed} of ${needed} pixels`);
      }
    }
  }
  assert.deepEqual(weak, []);
});

test('content taller than the window scrolls inside the main area; the wallpaper stays', async () => {
  const { page } = browser;
  await page.setViewportSize({ width: 520, height: 260 });
  try {
    await ui.open({ env: { installed: { version: '2.1.0', dir: 'D:\\Quillmar' } } });
    await ui.toOptions({ freeBytes: 0 });
    const before = await page.evaluate(() => {
      const main = document.querySelector('.qm-main');
      main.scrollTop = main.scrollHeight;
      const actions = document.querySelector('#installer-card > .qm-card__content').lastElementChild;
      return {
        scrolls: main.scrollHeight > main.clientHeight,
        mainScrolled: main.scrollTop > 0,
        appScroll: document.querySelector('.qm-app').scrollTop,
        pageScroll: document.scrollingElement.scrollTop,
        actionsVisible: actions.getBoundingClientRect().bottom <= window.innerHeight
      };
    });
    assert.deepEqual(before, { scrolls: true, mainScrolled: true, appScroll: 0, pageScroll: 0, actionsVisible: true });
    await page.screenshot({ path: path.join(ARTIFACTS, 'options-scrolled-dark-en.png') });
  } finally {
    await page.setViewportSize({ width: 520, height: 400 });
  }
});

test('the screenshots loaded every asset under the security policy', () => {
  assert.deepEqual(browser.problems, []);
});
