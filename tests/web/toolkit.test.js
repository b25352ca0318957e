'use strict';
const { test, before, after, beforeEach } = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { openBrowser } = require('./browser');

let browser;
let page;

before(async () => {
  browser = await openBrowser({ extra: { 'toolkit.html': path.join(__dirname, 'fixtures', 'toolkit.html') } });
  page = browser.page;
});

after(async () => { await browser.close(); });

beforeEach(async () => {
  await page.goto(`${browser.url}toolkit.html`);
  await page.evaluate(() => {
    window.QUILLMAR_LUCIDE_ICONS = ['x', 'copy', 'download', 'loader-circle', 'triangle-alert'];
  });
});

// Runs a mount with the given config and returns the thrown message, or null.
function refusal(config) {
  return page.evaluate((value) => {
    try {
      window.QuillmarUI.mount('#host', value);
      return null;
    } catch (error) {
      return `${error.name}: ${error.message}`;
    }
  }, config);
}

test('the global is frozen, fixed and installed once', async () => {
  const shape = await page.evaluate(() => {
    const descriptor = Object.getOwnPropertyDescriptor(window, 'QuillmarUI');
    return {
      frozen: Object.isFrozen(window.QuillmarUI),
      enumerable: descriptor.enumerable,
      writable: descriptor.writable,
      configurable: descriptor.configurable,
      operations: Object.keys(window.QuillmarUI).sort(),
      components: window.QuillmarUI.list().map((definition) => definition.class)
    };
  });
  assert.deepEqual(shape.operations, ['announce', 'configure', 'define', 'describe', 'icon', 'list', 'loading', 'mount', 'render',
    'setLoading', 'setLocale', 'validate']);
  assert.equal(shape.frozen, true);
  assert.equal(shape.enumerable, true);
  assert.equal(shape.writable, false);
  assert.equal(shape.configurable, false);
  assert.deepEqual(shape.components, ['qm-app', 'qm-card', 'qm-btn', 'qm-status', 'qm-field', 'qm-input', 'qm-select',
    'qm-input-group', 'qm-switch', 'qm-segment', 'qm-progress', 'qm-alert']);

  const second = new Promise((resolve) => page.once('pageerror', (error) => resolve(error.message)));
  await page.addScriptTag({ url: 'quillmar-ui.js' }).catch(() => {});
  assert.match(await second, /window\.QuillmarUI is already installed\./);
  browser.problems.length = 0;
});

test('define and describe guard the registry', async () => {
  const results = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const attempt = (fn) => { try { fn(); return 'ok'; } catch (error) { return error.message; } };
    return [
      attempt(() => UI.define('qm-btn', { renderer: 'action' })),
      attempt(() => UI.describe('qm-nothing')),
      attempt(() => UI.define('qm-extra', { renderer: 'teleport' })),
      attempt(() => UI.define('qm-extra', { renderer: 'action', colour: 'red' })),
      UI.describe('qm-switch').states.join(','),
      Object.isFrozen(UI.describe('qm-btn').variants)
    ];
  });
  assert.deepEqual(results, [
    'Component "qm-btn" is already defined.',
    'Unknown component "qm-nothing".',
    'definition.renderer "teleport" is unknown.',
    'definition.colour is not allowed.',
    'off,on,disabled',
    true
  ]);
});

test('an invalid tree is refused as a whole with every reason', async () => {
  const cases = [
    [{ component: 'qm-btn', props: { colour: 'red' } }, 'TypeError: config.props.colour is unknown for qm-btn.'],
    [{ component: 'qm-card', props: { body: null } },
      'TypeError: config.props.body must not be null; leave the prop out instead.'],
    [{ component: 'qm-btn', props: { icon: 'rocket' } },
      'TypeError: config.props.icon is not present in window.QUILLMAR_LUCIDE_ICONS.'],
    [{ component: 'qm-btn', props: { icon: 'Rocket Ship' } }, 'TypeError: config.props.icon must be a Lucide icon name.'],
    [{ component: 'qm-btn', props: { style: 'color:red' } }, 'TypeError: config.props.style is forbidden.'],
    [{ component: 'qm-segment', props: { items: [{ id: 'a', label: 'A', html: '<b>A</b>' }] } },
      'TypeError: config.props.items[0].html is forbidden.'],
    [{ component: 'qm-widget' }, 'TypeError: config.component "qm-widget" is unknown.'],
    [{ component: 'qm-btn', variant: 'huge', onClick: 'x' },
      'TypeError: config.onClick is not allowed. config.variant "huge" is not allowed for qm-btn.'],
    [{ component: 'qm-btn', props: { disabled: 'yes' } }, 'TypeError: config.props.disabled must be a boolean.'],
    [{ component: 'qm-card', props: { layout: 'diagonal' } },
      'TypeError: config.props.layout "diagonal" is not a layout of qm-card.'],
    [{ component: 'qm-card', children: [{ component: 'qm-btn', props: { message: 'ok' } }, { component: 'qm-btn', state: 'sleepy' }] },
      'TypeError: config.children[1].state "sleepy" is not allowed for qm-btn.'],
    [{ component: 'qm-field', props: { control: { component: 'qm-input', props: { url: 'http://x' } } } },
      'TypeError: config.props.control.props.url is forbidden.']
  ];
  for (const [config, message] of cases) {
    assert.equal(await refusal(config), message, JSON.stringify(config));
  }
  // Nothing was drawn by any refused mount.
  assert.equal(await page.locator('#host').innerHTML(), '');
  const report = await page.evaluate(() => window.QuillmarUI.validate({ component: 'qm-btn', props: { colour: 1, value: {} } }));
  assert.deepEqual(report, { valid: false, errors: ['config.props.colour is unknown for qm-btn.',
    'config.props.value must be a string, number, boolean or list.'] });
});

test('update merges props one level deep and replaces children', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const card = UI.mount('#host', { component: 'qm-card', props: { id: 'c', title: 'Title', body: 'Body' },
      children: ['one', { component: 'qm-btn', props: { message: 'Go' } }] });
    card.update({ props: { title: 'Renamed' }, children: ['only'] });
    const snapshot = card.getSnapshot();
    let refused = null;
    try { card.update({ props: { icon: 'rocket' } }); } catch (error) { refused = error.message; }
    let componentChange = null;
    try { card.update({ component: 'qm-btn' }); } catch (error) { componentChange = error.message; }
    return {
      title: document.querySelector('#c .qm-card__title').textContent,
      body: document.querySelector('#c .qm-card__meta').textContent,
      content: document.querySelector('#c .qm-card__content').textContent,
      children: snapshot.children,
      frozen: Object.isFrozen(snapshot) && Object.isFrozen(snapshot.props),
      refused,
      componentChange,
      titleAfterRefusal: document.querySelector('#c .qm-card__title').textContent
    };
  });
  assert.equal(result.title, 'Renamed');
  assert.equal(result.body, 'Body');
  assert.equal(result.content, 'only');
  assert.deepEqual(result.children, ['only']);
  assert.equal(result.frozen, true);
  assert.equal(result.refused, 'config.props.icon is not present in window.QUILLMAR_LUCIDE_ICONS.');
  assert.equal(result.componentChange, 'patch.component cannot change.');
  assert.equal(result.titleAfterRefusal, 'Renamed');
});

test('a user toggle shows in the snapshot and the event envelope; a redraw follows the config', async () => {
  await page.evaluate(() => {
    window.seen = [];
    document.querySelector('#host').addEventListener('qm:switch:change', (event) => {
      window.seen.push({ detail: event.detail, frozen: Object.isFrozen(event.detail) && Object.isFrozen(event.detail.payload) });
    });
    window.sw = window.QuillmarUI.mount('#host', { component: 'qm-card', children: [
      { component: 'qm-switch', props: { id: 'sw', name: 'opt', message: 'Option' } }] });
  });
  await page.click('#sw');
  const after = await page.evaluate(() => ({
    snapshot: window.sw.getSnapshot().children[0],
    seen: window.seen
  }));
  assert.equal(after.snapshot.props.checked, true);
  assert.equal(after.snapshot.state, 'on');
  assert.equal(after.seen.length, 1);
  assert.equal(after.seen[0].frozen, true);
  const { snapshot, ...envelope } = after.seen[0].detail;
  assert.deepEqual(envelope, { id: 'sw', component: 'switch', event: 'change',
    payload: { value: true, checked: true, valid: true } });
  assert.equal(snapshot.props.checked, true);

  // A redraw from a config that still says "off" shows off.
  await page.evaluate(() => window.sw.update({ children: [
    { component: 'qm-switch', state: 'off', props: { id: 'sw', name: 'opt', message: 'Option', checked: false } }] }));
  assert.equal(await page.locator('#sw input').isChecked(), false);
});

test('switch state and checked follow each other through update', async () => {
  const states = await page.evaluate(() => {
    const sw = window.QuillmarUI.mount('#host', { component: 'qm-switch', props: { id: 'sw' } });
    sw.setState('on');
    const first = [sw.getSnapshot().props.checked, document.querySelector('#sw input').checked];
    sw.update({ props: { checked: false } });
    return first.concat([sw.getSnapshot().state, document.querySelector('#sw input').checked]);
  });
  assert.deepEqual(states, [true, true, 'off', false]);
});

test('setLocale with the current language changes nothing; the other language rebuilds', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const instance = UI.mount('#host', { component: 'qm-progress', state: 'running', props: { id: 'p', value: 42 } });
    const before = instance.root;
    let mutations = 0;
    const observer = new MutationObserver((list) => { mutations += list.length; });
    observer.observe(document.body, { subtree: true, childList: true, attributes: true, characterData: true });
    UI.setLocale('en');
    const unchanged = observer.takeRecords().length + mutations === 0 && instance.root === before;
    UI.setLocale('ru');
    const word = document.querySelector('#p .qm-progress__state').textContent;
    const label = document.querySelector('#p .qm-progress__label').textContent;
    const percent = document.querySelector('#p .qm-progress__value').textContent;
    observer.disconnect();
    UI.setLocale('en');
    return { unchanged, replaced: instance.root !== before, word, label, percent };
  });
  assert.equal(result.unchanged, true);
  assert.equal(result.replaced, true);
  assert.equal(result.word, 'Выполняется');
  assert.equal(result.label, 'Выполняется');
  assert.match(result.percent, /^42\s%$/);
});

test('configure refuses bad input, merges dictionaries and resolves texts', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const attempt = (fn) => { try { fn(); return 'ok'; } catch (error) { return error.message; } };
    const refusals = [
      attempt(() => UI.configure({ locale: 'de' })),
      attempt(() => UI.configure({ theme: 'dark' })),
      attempt(() => UI.configure({ messages: { ru: { greeting: 5 } } }))
    ];
    UI.configure({ messages: { en: { greeting: 'Hello', farewell: 'Bye' } } });
    UI.configure({ messages: { ru: { greeting: 'Привет' } } });
    UI.mount('#host', { component: 'qm-card', children: ['greeting', 'farewell', { en: 'Pair', ru: 'Пара' }, 'plain'] });
    const english = document.querySelector('#host .qm-card__content').textContent;
    UI.setLocale('ru');
    const russian = document.querySelector('#host .qm-card__content').textContent;
    UI.setLocale('en');
    return { refusals, english, russian };
  });
  assert.deepEqual(result.refusals, ['configure.locale "de" must be "en" or "ru".', 'configure.theme is not allowed.',
    'configure.messages.ru must map texts to texts.']);
  assert.equal(result.english, 'HelloByePairplain');
  assert.equal(result.russian, 'ПриветByeПараplain');
});

test('a redraw keeps focus and the text selection', async () => {
  await page.evaluate(() => {
    window.form = window.QuillmarUI.mount('#host', { component: 'qm-card', children: [
      { component: 'qm-input', props: { id: 'name', value: 'Quillmar installer' } }] });
  });
  await page.focus('#name');
  await page.evaluate(() => document.querySelector('#name').setSelectionRange(3, 8));
  const result = await page.evaluate(() => {
    const before = document.querySelector('#name');
    window.form.update({ props: { title: 'Now with a title' } });
    const now = document.querySelector('#name');
    return { replaced: now !== before, focused: document.activeElement === now, range: [now.selectionStart, now.selectionEnd] };
  });
  assert.deepEqual(result, { replaced: true, focused: true, range: [3, 8] });
});

test('a rising progress bar glides for 400 ms; a falling one jumps', async () => {
  await page.evaluate(() => {
    window.bar = window.QuillmarUI.mount('#host', { component: 'qm-progress', state: 'running', props: { id: 'p', value: 10 } });
  });
  const start = await page.evaluate(() => {
    window.bar.update({ props: { value: 60 } });
    return document.querySelector('#p progress').value;
  });
  assert.equal(start, 10);
  await page.waitForTimeout(200);
  const middle = await page.evaluate(() => document.querySelector('#p progress').value);
  assert.ok(middle > 10 && middle < 60, `mid-glide value ${middle}`);
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => document.querySelector('#p progress').value), 60);
  assert.equal(await page.evaluate(() => {
    window.bar.update({ props: { value: 5 } });
    return document.querySelector('#p progress').value;
  }), 5);

  await page.emulateMedia({ reducedMotion: 'reduce' });
  try {
    assert.equal(await page.evaluate(() => {
      window.bar.update({ props: { value: 90 } });
      return document.querySelector('#p progress').value;
    }), 90);
  } finally {
    await page.emulateMedia({ reducedMotion: 'no-preference' });
  }
});

test('a redrawn spinner keeps its phase on the document clock', async () => {
  await page.evaluate(() => {
    window.spin = window.QuillmarUI.mount('#host', { component: 'qm-progress', state: 'running', props: { id: 'p', value: 1 } });
  });
  await page.waitForTimeout(150);
  const starts = await page.evaluate(() => {
    window.spin.update({ props: { value: 2 } });
    return document.querySelector('#p').getAnimations({ subtree: true })
      .filter((animation) => animation.effect.getTiming().iterations === Infinity)
      .map((animation) => animation.startTime);
  });
  assert.ok(starts.length > 0, 'the running mark spins');
  assert.deepEqual(starts, starts.map(() => 0));
});

test('instances: one per host, destroyed ones refuse use, events stop with their tree', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const clicks = [];
    const host = document.querySelector('#host');
    const first = UI.mount(host, { component: 'qm-btn', props: { id: 'b', message: 'One', action: 'one', value: 7 } });
    const oldButton = first.root;
    oldButton.addEventListener('qm:btn:activate', (event) => clicks.push(['old', event.detail.payload]));
    oldButton.click();
    first.update({ props: { message: 'Two' } });
    oldButton.click();
    const second = UI.mount(host, { component: 'qm-btn', props: { message: 'Three' } });
    let destroyed = null;
    try { first.getSnapshot(); } catch (error) { destroyed = error.message; }
    first.destroy();
    second.destroy();
    second.destroy();
    const attempts = [
      (() => { try { UI.mount('#missing', { component: 'qm-btn' }); return 'ok'; } catch (error) { return error.message; } })(),
      (() => { try { UI.mount(42, { component: 'qm-btn' }); return 'ok'; } catch (error) { return error.message; } })()
    ];
    return { clicks, destroyed, empty: host.innerHTML, attempts };
  });
  assert.deepEqual(result.clicks, [['old', { value: 7, action: 'one' }]]);
  assert.equal(result.destroyed, 'QuillmarUI instance is destroyed.');
  assert.equal(result.empty, '');
  assert.deepEqual(result.attempts, ['Mount target "#missing" was not found.', 'mount target must be a selector or DOM Element.']);
});

test('send runs a command or emits a declared event', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const heard = [];
    const host = document.querySelector('#host');
    ['qm:alert:dismiss', 'qm:btn:activate', 'qm:btn:explode'].forEach((type) => {
      host.addEventListener(type, (event) => heard.push([type, event.detail.payload]));
    });
    const alert = UI.mount(host, { component: 'qm-alert', variant: 'danger', props: { id: 'a', title: 'Oops', dismissible: true } });
    alert.send('dismiss', { reason: 'timeout' });
    const hidden = alert.root.hidden;
    const button = UI.mount(host, { component: 'qm-btn', props: { message: 'Go' } });
    button.send('activate', { value: 1, action: 'go' });
    button.send('explode', {});
    return { hidden, heard };
  });
  assert.equal(result.hidden, true);
  assert.deepEqual(result.heard, [['qm:alert:dismiss', { reason: 'timeout' }], ['qm:btn:activate', { value: 1, action: 'go' }]]);
});

test('a disabled or loading button emits nothing; a loading one keeps focus', async () => {
  await page.evaluate(() => {
    window.activations = 0;
    document.querySelector('#host').addEventListener('qm:btn:activate', () => { window.activations += 1; });
    window.btn = window.QuillmarUI.mount('#host', { component: 'qm-btn', variant: 'primary', props: { id: 'b', message: 'Go', icon: 'download' } });
  });
  await page.focus('#b');
  await page.evaluate(() => window.btn.update({ props: { loading: true } }));
  const loading = await page.evaluate(() => {
    const button = document.querySelector('#b');
    button.click();
    return { focused: document.activeElement === button, busy: button.getAttribute('aria-busy'),
      icon: button.querySelector('img').getAttribute('src'), classes: button.className };
  });
  await page.evaluate(() => { window.btn.update({ props: { loading: false, disabled: true } }); document.querySelector('#b').click(); });
  assert.deepEqual(loading, { focused: true, busy: 'true', icon: 'assets/icons/loader-circle.svg',
    classes: 'qm-btn qm-btn--primary' });
  assert.equal(await page.evaluate(() => window.activations), 0);
  assert.equal(await page.locator('#b').isDisabled(), true);
});

test('the segment chooses by click and by arrow keys', async () => {
  await page.evaluate(() => {
    window.changes = [];
    document.querySelector('#host').addEventListener('qm:segment:change', (event) => window.changes.push(event.detail.payload));
    window.seg = window.QuillmarUI.mount('#host', { component: 'qm-segment', props: { id: 's', ariaMessage: 'Pick',
      items: [{ id: 'a', label: 'A' }, { id: 'b', label: 'B' }, { id: 'c', label: 'C', value: 'see' }], selectedId: 'a' } });
  });
  await page.click('#s [data-id="b"]');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('Home');
  const result = await page.evaluate(() => ({ changes: window.changes, selected: window.seg.getSnapshot().props.selectedId,
    label: document.querySelector('#s').getAttribute('aria-label') }));
  assert.deepEqual(result.changes, [{ id: 'b', index: 1, value: 'b' }, { id: 'c', index: 2, value: 'see' },
    { id: 'a', index: 0, value: 'a' }]);
  assert.equal(result.selected, 'a');
  assert.equal(result.label, 'Pick');
});

test('focus rings: pointer focus is marked, a key press brings rings back', async () => {
  await page.evaluate(() => window.QuillmarUI.mount('#host', { component: 'qm-card', children: [
    { component: 'qm-btn', props: { id: 'one', message: 'One' } }, { component: 'qm-btn', props: { id: 'two', message: 'Two' } }] }));
  await page.click('#one');
  assert.equal(await page.locator('#one').getAttribute('data-qm-pointer-focus'), '');
  await page.keyboard.press('Tab');
  assert.equal(await page.locator('#one').getAttribute('data-qm-pointer-focus'), null);
  assert.equal(await page.locator('#two').getAttribute('data-qm-pointer-focus'), null);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'two');
});

test('the copy action reports its outcome and a title becomes a themed hint', async () => {
  await page.evaluate(() => {
    window.actions = [];
    document.querySelector('#host').addEventListener('qm:input-group:action', (event) => window.actions.push(event.detail.payload));
    window.QuillmarUI.mount('#host', { component: 'qm-field', props: { label: 'Log', control: { component: 'qm-input-group',
      variant: 'copy', props: { id: 'log', value: 'C:\\Temp\\setup.log', readonly: true, actionMessage: 'Copy the path' } } } });
  });
  await page.hover('#log button');
  await page.waitForSelector('.qm-hint:not([hidden])');
  assert.equal(await page.locator('.qm-hint').textContent(), 'Copy the path');
  await page.click('#log button');
  await page.waitForFunction(() => window.actions.length === 1);
  const [payload] = await page.evaluate(() => window.actions);
  const announced = await page.locator('#log [role="status"]').textContent();
  assert.equal(payload.value, 'C:\\Temp\\setup.log');
  assert.equal(payload.action, 'copy');
  assert.equal(announced, payload.copied ? 'Copied' : 'Copy failed');
  assert.equal(await page.locator('.qm-hint').isHidden(), true);
});

test('loading, setLoading and icon', async () => {
  const result = await page.evaluate(() => {
    const UI = window.QuillmarUI;
    const copy = UI.loading({ component: 'qm-card', children: [{ component: 'qm-progress' }, { component: 'qm-btn' }] });
    UI.mount('#host', { component: 'qm-card', children: [{ component: 'qm-alert', props: { body: 'x' } }] });
    const host = document.querySelector('#host');
    UI.setLoading(host, true);
    const marked = [host.inert, host.querySelectorAll('.qm-preloading').length, host.getAttribute('aria-busy')];
    UI.setLoading(host, false);
    const restored = [host.inert, host.querySelectorAll('.qm-preloading').length, host.getAttribute('aria-busy')];
    const image = UI.icon('copy', 16);
    const labelled = UI.icon('x', 24, { label: 'Close' });
    let refusal = null;
    try { UI.icon('copy', 17); } catch (error) { refusal = error.message; }
    return {
      copy,
      marked,
      restored,
      image: [image.className, image.getAttribute('src'), image.width, image.alt, image.getAttribute('aria-hidden')],
      labelled: [labelled.alt, labelled.getAttribute('aria-hidden')],
      refusal
    };
  });
  assert.deepEqual(result.copy, { component: 'qm-card', props: { loading: true }, children: [
    { component: 'qm-progress' }, { component: 'qm-btn', props: { loading: true } }] });
  assert.deepEqual(result.marked, [true, 2, 'true']);
  assert.deepEqual(result.restored, [false, 0, null]);
  assert.deepEqual(result.image, ['qm-icon-image', 'assets/icons/copy.svg', 16, '', 'true']);
  assert.deepEqual(result.labelled, ['Close', null]);
  assert.equal(result.refusal, 'icon size must be 16, 18, 20, 22 or 24.');
});

test('the select draws its own picker where the engine allows: a turning chevron over a rounded, capped list', async () => {
  await page.evaluate(() => {
    const options = Array.from({ length: 12 }, (_, i) => ({ value: `2.${12 - i}.0`, label: `2.${12 - i}.0` }));
    window.QuillmarUI.mount('#host', { component: 'qm-select', props: { id: 'choice', options, value: '2.12.0' } });
  });
  // The chevron is judged where it ends up, not halfway through its turn.
  await page.addStyleTag({ content: '*, *::picker-icon { transition: none !important; }' });
  const look = () => page.evaluate(() => {
    const select = document.querySelector('#choice');
    const icon = getComputedStyle(select, '::picker-icon');
    const picker = getComputedStyle(select, '::picker(select)');
    return { open: select.matches(':open'), appearance: getComputedStyle(select).appearance,
      icon: [icon.width, icon.height, icon.rotate], picker: [picker.appearance, picker.borderTopLeftRadius, picker.maxHeight] };
  });
  assert.equal(await page.evaluate(() => CSS.supports('appearance', 'base-select')), true, 'this engine offers the styled picker');
  const closed = { open: false, appearance: 'base-select', icon: ['16px', '16px', 'none'], picker: ['base-select', '10px', '280px'] };
  assert.deepEqual(await look(), closed);
  await page.click('#choice');
  assert.deepEqual(await look(), { ...closed, open: true, icon: ['16px', '16px', '180deg'] });
  await page.keyboard.press('Escape');
  assert.deepEqual(await look(), closed);
});

test('nothing on the toolkit page broke the security policy or failed to load', () => {
  assert.deepEqual(browser.problems, []);
});
