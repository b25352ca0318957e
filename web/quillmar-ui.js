/*
 * QuillmarUI: the component toolkit the installer page draws with.
 *
 * Callers describe a screen as a tree of plain config records; the toolkit
 * validates the whole tree, builds the elements, wires their events and
 * rebuilds them on request. Nothing here depends on the theme: the style
 * sheet draws every component from tokens.
 */
(function () {
  'use strict';

  if (typeof window === 'undefined' || typeof document === 'undefined' || !document || !document.documentElement) {
    throw new TypeError('QuillmarUI requires a DOM document.');
  }
  if (Object.prototype.hasOwnProperty.call(window, 'QuillmarUI')) {
    throw new TypeError('window.QuillmarUI is already installed.');
  }

  var CONFIG_KEYS = ['component', 'props', 'state', 'variant', 'density', 'material', 'children'];
  var DEFINITION_KEYS = ['class', 'category', 'variants', 'states', 'densities', 'props', 'editableProps',
    'events', 'renderer', 'composite', 'defaults'];
  var RENDERERS = ['shell', 'action', 'action-group', 'navigation', 'form', 'data', 'feedback', 'overlay',
    'pattern', 'chart', 'icon'];
  var LOCALES = ['en', 'ru'];
  var MATERIALS = ['standard', 'ultra'];
  var FORBIDDEN_KEYS = ['class', 'className', 'classes', 'style', 'css', 'html', 'innerHTML', 'outerHTML',
    'dangerouslySetInnerHTML', 'src', 'path', 'iconPath', 'iconSrc', 'url'];
  var BOOLEAN_PROPS = ['disabled', 'readonly', 'required', 'checked', 'framed', 'spellcheck', 'loading',
    'toggle', 'pressed', 'dismissible', 'multiple', 'sticky', 'stepper', 'editing'];
  var NUMBER_PROPS = ['min', 'max', 'step', 'minLength', 'maxLength', 'iconSize', 'transparency',
    'columnCount', 'visibleItems', 'visibleLines'];
  var LIST_PROPS = ['items', 'widgets'];
  var ICON_SIZES = [16, 18, 20, 22, 24];
  var ICON_NAME = /^[a-z0-9]+(?:-[a-z0-9]+)*$/;
  var COMPONENT_NAME = /^qm-[a-z0-9]+(?:-[a-z0-9]+)*$/;
  // States that are the resting form of a component get no is-* class, so the
  // sheet only has to style the departures from rest.
  var QUIET_STATES = ['default', 'data', 'idle', 'unchecked', 'off', 'closed', 'hidden'];
  // Icons the sheet draws itself as tinted masks instead of images.
  var SEMANTIC_MARKS = { info: 'info', 'circle-check': 'success', 'triangle-alert': 'warning',
    'circle-alert': 'danger', 'loader-circle': 'loading' };
  var TONE_MARKS = { info: 'info', success: 'circle-check', warning: 'triangle-alert', danger: 'circle-alert' };

  // Texts the components show when the config gives none.
  var BUILT_IN = {
    idle: { en: 'Not started', ru: 'Не начато' },
    running: { en: 'In progress', ru: 'Выполняется' },
    success: { en: 'Completed', ru: 'Завершено' },
    warning: { en: 'Needs attention', ru: 'Требует внимания' },
    danger: { en: 'Stopped with an error', ru: 'Остановлено с ошибкой' },
    indeterminate: { en: 'Loading…', ru: 'Загрузка…' },
    loading: { en: 'Loading…', ru: 'Загрузка…' },
    copied: { en: 'Copied', ru: 'Скопировано' },
    copyFailed: { en: 'Copy failed', ru: 'Не удалось скопировать' },
    value: { en: 'Value', ru: 'Значение' },
    close: { en: 'Close', ru: 'Закрыть' }
  };

  // ---------------------------------------------------------------- data helpers

  function isPlainObject(value) {
    if (value === null || typeof value !== 'object') return false;
    var proto = Object.getPrototypeOf(value);
    return proto === Object.prototype || proto === null;
  }

  function isLocalized(value) {
    if (!isPlainObject(value)) return false;
    var keys = Object.keys(value);
    return keys.length > 0 && keys.every(function (key) {
      return LOCALES.indexOf(key) >= 0 && typeof value[key] === 'string';
    });
  }

  function clone(value) {
    if (Array.isArray(value)) return value.map(clone);
    if (isPlainObject(value)) {
      var out = {};
      Object.keys(value).forEach(function (key) { if (value[key] !== undefined) out[key] = clone(value[key]); });
      return out;
    }
    return value;
  }

  function deepFreeze(value) {
    if (value && typeof value === 'object' && !Object.isFrozen(value)) {
      Object.freeze(value);
      Object.keys(value).forEach(function (key) { deepFreeze(value[key]); });
    }
    return value;
  }

  function frozenCopy(value) { return deepFreeze(clone(value)); }

  // Checks that a value is plain JSON-like data without any forbidden key.
  // Null is refused: a caller leaves out what it has no value for.
  function checkData(value, location, errors, seen) {
    if (typeof value === 'string' || typeof value === 'boolean') return;
    if (typeof value === 'number') {
      if (!isFinite(value)) errors.push(location + ' must be a finite number.');
      return;
    }
    if (Array.isArray(value) || isPlainObject(value)) {
      if (seen.indexOf(value) >= 0) { errors.push(location + ' contains a cycle.'); return; }
      seen.push(value);
      if (Array.isArray(value)) {
        value.forEach(function (item, i) { checkData(item, location + '[' + i + ']', errors, seen); });
      } else {
        Object.keys(value).forEach(function (key) {
          if (FORBIDDEN_KEYS.indexOf(key) >= 0) errors.push(location + '.' + key + ' is forbidden.');
          else checkData(value[key], location + '.' + key, errors, seen);
        });
      }
      seen.pop();
      return;
    }
    errors.push(location + ' must be serialisable data.');
  }

  // ---------------------------------------------------------------- registry

  var registry = new Map();

  function normaliseDefinition(name, definition) {
    var errors = [];
    if (typeof name !== 'string' || !COMPONENT_NAME.test(name)) {
      throw new TypeError('Component name "' + String(name) + '" must match qm-name.');
    }
    if (!isPlainObject(definition)) throw new TypeError('Definition of "' + name + '" must be a plain object.');
    Object.keys(definition).forEach(function (key) {
      if (DEFINITION_KEYS.indexOf(key) < 0) errors.push('definition.' + key + ' is not allowed.');
    });
    if (RENDERERS.indexOf(definition.renderer) < 0) {
      errors.push('definition.renderer "' + String(definition.renderer) + '" is unknown.');
    }
    ['variants', 'states', 'densities', 'props', 'editableProps', 'events'].forEach(function (key) {
      var list = definition[key];
      if (list !== undefined && !(Array.isArray(list) && list.every(function (x) { return typeof x === 'string'; }))) {
        errors.push('definition.' + key + ' must be a list of names.');
      }
    });
    if (definition.defaults !== undefined) checkData(definition.defaults, 'definition.defaults', errors, []);
    if (errors.length) throw new TypeError(errors.join(' '));
    return deepFreeze({
      class: name,
      category: typeof definition.category === 'string' ? definition.category : 'general',
      variants: clone(definition.variants || []),
      states: clone(definition.states || []),
      densities: clone(definition.densities || []),
      props: clone(definition.props || []),
      editableProps: clone(definition.editableProps || []),
      events: clone(definition.events || []),
      renderer: definition.renderer,
      composite: definition.composite === true,
      defaults: clone(definition.defaults || {})
    });
  }

  function define(name, definition) {
    if (registry.has(name)) throw new TypeError('Component "' + name + '" is already defined.');
    var normalised = normaliseDefinition(name, definition);
    registry.set(name, normalised);
    return normalised;
  }

  function describe(name) {
    var definition = registry.get(name);
    if (!definition) throw new TypeError('Unknown component "' + String(name) + '".');
    return definition;
  }

  function list() { return Array.from(registry.values()); }

  // ---------------------------------------------------------------- validation

  function knownIcons() {
    var names = window.QUILLMAR_LUCIDE_ICONS;
    return Array.isArray(names) ? names : [];
  }

  function checkIconName(value, location, errors) {
    if (value === '') return;
    if (typeof value !== 'string' || !ICON_NAME.test(value)) {
      errors.push(location + ' must be a Lucide icon name.');
    } else if (knownIcons().indexOf(value) < 0) {
      errors.push(location + ' is not present in window.QUILLMAR_LUCIDE_ICONS.');
    }
  }

  function layoutsOf(name) {
    if (name === 'qm-app') return ['workspace', 'centered', 'window'];
    if (name === 'qm-card') {
      return ['stack', 'row', 'grid', 'split', 'profile', 'workspace', 'fact', 'bar', 'inbox', 'queue', 'thread', 'context'];
    }
    return ['stack', 'row', 'grid', 'split'];
  }

  function checkProp(definition, name, value, location, errors, seen) {
    if (value === null) {
      errors.push(location + ' must not be null; leave the prop out instead.');
    } else if (BOOLEAN_PROPS.indexOf(name) >= 0) {
      if (typeof value !== 'boolean') errors.push(location + ' must be a boolean.');
    } else if (NUMBER_PROPS.indexOf(name) >= 0) {
      if (typeof value !== 'number' || !isFinite(value)) errors.push(location + ' must be a finite number.');
    } else if (name === 'value') {
      if (typeof value === 'string' || typeof value === 'boolean') return;
      if (typeof value === 'number' && isFinite(value)) return;
      if (Array.isArray(value)) checkData(value, location, errors, seen);
      else errors.push(location + ' must be a string, number, boolean or list.');
    } else if (LIST_PROPS.indexOf(name) >= 0) {
      if (Array.isArray(value)) checkData(value, location, errors, seen);
      else errors.push(location + ' must be a list.');
    } else if (name === 'options') {
      if (Array.isArray(value) || isPlainObject(value)) checkData(value, location, errors, seen);
      else errors.push(location + ' must be a list or a plain object.');
    } else if (name === 'control') {
      if (!isPlainObject(value)) errors.push(location + ' must be a plain object.');
      else if (value.component !== undefined) checkConfig(value, location, errors, seen);
      else checkData(value, location, errors, seen);
    } else if (name === 'layout') {
      if (layoutsOf(definition.class).indexOf(value) < 0) {
        errors.push(location + ' "' + String(value) + '" is not a layout of ' + definition.class + '.');
      }
    } else if (name === 'icon') {
      checkIconName(value, location, errors);
    } else if (!isLocalized(value)) {
      checkData(value, location, errors, seen);
    }
  }

  function checkConfig(config, path, errors, seen) {
    if (!isPlainObject(config)) { errors.push(path + ' must be a config record.'); return; }
    if (seen.indexOf(config) >= 0) { errors.push(path + ' contains a cycle.'); return; }
    seen.push(config);
    Object.keys(config).forEach(function (key) {
      if (CONFIG_KEYS.indexOf(key) < 0) errors.push(path + '.' + key + ' is not allowed.');
    });
    var definition = registry.get(config.component);
    if (!definition) {
      errors.push(path + '.component "' + String(config.component) + '" is unknown.');
      seen.pop();
      return;
    }
    [['variant', 'variants'], ['state', 'states'], ['density', 'densities']].forEach(function (pair) {
      var value = config[pair[0]];
      if (value !== undefined && definition[pair[1]].indexOf(value) < 0) {
        errors.push(path + '.' + pair[0] + ' "' + String(value) + '" is not allowed for ' + definition.class + '.');
      }
    });
    if (config.material !== undefined && MATERIALS.indexOf(config.material) < 0) {
      errors.push(path + '.material "' + String(config.material) + '" is not allowed.');
    }
    if (config.props !== undefined) {
      if (!isPlainObject(config.props)) {
        errors.push(path + '.props must be a plain object.');
      } else {
        Object.keys(config.props).forEach(function (name) {
          var value = config.props[name];
          var location = path + '.props.' + name;
          if (value === undefined) return;
          if (FORBIDDEN_KEYS.indexOf(name) >= 0) errors.push(location + ' is forbidden.');
          else if (definition.props.indexOf(name) < 0) errors.push(location + ' is unknown for ' + definition.class + '.');
          else checkProp(definition, name, value, location, errors, seen);
        });
      }
    }
    if (config.children !== undefined) {
      var many = Array.isArray(config.children);
      (many ? config.children : [config.children]).forEach(function (child, i) {
        var location = path + '.children' + (many ? '[' + i + ']' : '');
        if (typeof child === 'string' || (typeof child === 'number' && isFinite(child)) || isLocalized(child)) return;
        if (isPlainObject(child)) checkConfig(child, location, errors, seen);
        else errors.push(location + ' must be a text, a localized text or a config record.');
      });
    }
    seen.pop();
  }

  function validate(config) {
    var errors = [];
    checkConfig(config, 'config', errors, []);
    return { valid: errors.length === 0, errors: errors };
  }

  function assertValid(config) {
    var result = validate(config);
    if (!result.valid) throw new TypeError(result.errors.join(' '));
  }

  // Fills in defaults; the caller has validated the config already.
  function normalise(config) {
    var definition = registry.get(config.component);
    var out = { component: config.component };
    var props = Object.assign(clone(definition.defaults), clone(config.props || {}));
    if (isPlainObject(props.control) && props.control.component !== undefined) props.control = normalise(props.control);
    out.props = props;
    var state = config.state !== undefined ? config.state : definition.states[0];
    if (state !== undefined) out.state = state;
    var variant = config.variant !== undefined ? config.variant
      : (definition.variants.indexOf('default') >= 0 ? 'default' : undefined);
    if (variant !== undefined) out.variant = variant;
    var density = config.density !== undefined ? config.density
      : (definition.densities.indexOf('default') >= 0 ? 'default' : undefined);
    if (density !== undefined) out.density = density;
    if (config.material !== undefined) out.material = config.material;
    var children = config.children === undefined ? [] : (Array.isArray(config.children) ? config.children : [config.children]);
    out.children = children.map(function (child) {
      return isPlainObject(child) && !isLocalized(child) ? normalise(child) : clone(child);
    });
    return out;
  }

  // ---------------------------------------------------------------- runtime configuration and texts

  var runtime = deepFreeze({ locale: 'en', messages: { en: {}, ru: {} } });

  function isMessageMap(value) {
    return isPlainObject(value) && Object.keys(value).every(function (key) { return typeof value[key] === 'string'; });
  }

  function resolveText(value, locale) {
    if (value === null || value === undefined) return '';
    if (typeof value === 'string') {
      var own = runtime.messages[locale];
      if (own && Object.prototype.hasOwnProperty.call(own, value)) return own[value];
      if (Object.prototype.hasOwnProperty.call(runtime.messages.en, value)) return runtime.messages.en[value];
      return value;
    }
    if (typeof value === 'number' || typeof value === 'boolean') return String(value);
    if (isLocalized(value)) {
      if (typeof value[locale] === 'string') return value[locale];
      if (typeof value.en === 'string') return value.en;
      return typeof value.ru === 'string' ? value.ru : '';
    }
    return '';
  }

  function builtIn(key, locale) { return resolveText(BUILT_IN[key], locale); }

  function configure(options) {
    if (!isPlainObject(options)) throw new TypeError('configure expects a plain object.');
    var errors = [];
    Object.keys(options).forEach(function (key) {
      if (key !== 'locale' && key !== 'messages') errors.push('configure.' + key + ' is not allowed.');
    });
    if (options.locale !== undefined && LOCALES.indexOf(options.locale) < 0) {
      errors.push('configure.locale "' + String(options.locale) + '" must be "en" or "ru".');
    }
    if (options.messages !== undefined) {
      if (!isPlainObject(options.messages)) {
        errors.push('configure.messages must be a plain object.');
      } else {
        Object.keys(options.messages).forEach(function (key) {
          if (LOCALES.indexOf(key) < 0) errors.push('configure.messages.' + key + ' is not a language.');
          else if (!isMessageMap(options.messages[key])) errors.push('configure.messages.' + key + ' must map texts to texts.');
        });
      }
    }
    if (errors.length) throw new TypeError(errors.join(' '));
    var messages = clone(runtime.messages);
    if (options.messages) {
      Object.keys(options.messages).forEach(function (key) {
        Object.assign(messages[key], clone(options.messages[key]));
      });
    }
    runtime = deepFreeze({ locale: options.locale || runtime.locale, messages: messages });
    Array.from(instances.values()).forEach(function (instance) {
      if (instances.get(instance.host) === instance) rebuild(instance, instance.current);
    });
    return runtime;
  }

  function setLocale(locale) {
    if (locale === runtime.locale) return runtime;
    return configure({ locale: locale });
  }

  // ---------------------------------------------------------------- elements

  function h(tag, attrs) {
    var element = document.createElement(tag);
    if (attrs) {
      Object.keys(attrs).forEach(function (key) {
        var value = attrs[key];
        if (value === undefined || value === null || value === false) return;
        if (key === 'className') element.className = value;
        else if (key === 'text') element.textContent = value;
        else element.setAttribute(key, value === true ? '' : String(value));
      });
    }
    for (var i = 2; i < arguments.length; i += 1) {
      var child = arguments[i];
      if (child === null || child === undefined || child === false) continue;
      element.append(child);
    }
    return element;
  }

  function iconImage(name, size, label) {
    var image = h('img', {
      className: 'qm-icon-image',
      src: 'assets/icons/' + name + '.svg',
      width: size,
      height: size,
      alt: label || ''
    });
    image.setAttribute('data-qm-icon', name);
    if (!label) image.setAttribute('aria-hidden', 'true');
    return image;
  }

  function icon(name, size, options) {
    var errors = [];
    checkIconName(name, 'icon', errors);
    if (name === '') errors.push('icon must be a Lucide icon name.');
    if (size !== undefined && ICON_SIZES.indexOf(size) < 0) errors.push('icon size must be 16, 18, 20, 22 or 24.');
    if (options !== undefined) {
      if (!isPlainObject(options)) errors.push('icon options must be a plain object.');
      else {
        Object.keys(options).forEach(function (key) {
          if (key !== 'label' && key !== 'decorative') errors.push('icon options.' + key + ' is not allowed.');
        });
      }
    }
    if (errors.length) throw new TypeError(errors.join(' '));
    var label = options && !options.decorative && typeof options.label === 'string' ? options.label : '';
    return iconImage(name, size === undefined ? 20 : size, label);
  }

  function semanticMark(kind, size) {
    return h('span', { className: 'qm-mark qm-mark--' + kind, 'data-qm-mark': kind, 'aria-hidden': 'true',
      style: size ? '--qm-mark-size:' + size + 'px' : undefined });
  }

  // ---------------------------------------------------------------- building

  var nextUid = 1;
  function uid(prefix) { nextUid += 1; return prefix + '-' + nextUid; }

  // One record per built config: it ties the element to its node in the
  // instance's current (user-revised) config and lets events be dropped once
  // the tree that produced them has been replaced.
  function Record(node, ctx) {
    this.node = node;
    this.locale = ctx.locale;
    this.material = ctx.material;
    this.commands = {};
    this.disposed = false;
    this.definition = registry.get(node.component);
  }

  Record.prototype.emit = function (element, name, payload) {
    if (this.disposed || this.definition.events.indexOf(name) < 0) return;
    var short = this.node.component.slice(3);
    var detail = Object.freeze({
      id: typeof this.node.props.id === 'string' ? this.node.props.id : null,
      component: short,
      event: name,
      snapshot: frozenCopy(this.node),
      payload: frozenCopy(payload)
    });
    element.dispatchEvent(new CustomEvent('qm:' + short + ':' + name, { bubbles: true, composed: false, detail: detail }));
  };

  function listen(ctx, element, type, handler) {
    element.addEventListener(type, handler);
    ctx.cleanups.push(function () { element.removeEventListener(type, handler); });
  }

  function buildChildren(children, ctx) {
    return children.map(function (child) {
      if (isPlainObject(child) && !isLocalized(child)) return build(child, ctx);
      return document.createTextNode(resolveText(child, ctx.locale));
    });
  }

  function build(node, ctx, handDown) {
    var definition = registry.get(node.component);
    var record = new Record(node, ctx);
    ctx.records.push(record);
    var props = Object.assign({}, node.props);
    if (handDown) {
      Object.keys(handDown).forEach(function (key) {
        if (handDown[key] !== undefined && definition.props.indexOf(key) >= 0 && props[key] === undefined) props[key] = handDown[key];
      });
    }
    var childCtx = Object.assign({}, ctx, { material: node.material || ctx.material });
    if (node.component === 'qm-app' && LOCALES.indexOf(props.locale) >= 0) childCtx.locale = props.locale;
    record.locale = childCtx.locale;
    var parts = RENDER[node.component](node, props, childCtx, record);
    var root = parts.root;
    applyRootContract(root, node, props, definition, parts.labelTarget || root, childCtx);
    elementRecords.set(root, record);
    return root;
  }

  var TONED = ['qm-btn', 'qm-status', 'qm-alert'];
  var STYLED_PICKER = typeof CSS !== 'undefined' && typeof CSS.supports === 'function' && CSS.supports('appearance', 'base-select');

  function applyRootContract(root, node, props, definition, labelTarget, ctx) {
    root.classList.add(definition.class);
    if (definition.composite) root.classList.add('qm-block');
    if (node.variant !== undefined) {
      root.setAttribute('data-variant', node.variant);
      if (TONED.indexOf(definition.class) >= 0) root.classList.add(definition.class + '--' + node.variant);
    }
    if (node.density !== undefined) root.setAttribute('data-density', node.density);
    if (node.material !== undefined) root.setAttribute('data-material', node.material);
    if (node.state !== undefined) {
      root.setAttribute('data-state', node.state);
      if (QUIET_STATES.indexOf(node.state) < 0) root.classList.add('is-' + node.state);
    }
    var disabled = props.disabled === true || node.state === 'disabled';
    var loading = props.loading === true || node.state === 'loading';
    if (disabled || loading) {
      labelTarget.setAttribute('aria-disabled', 'true');
      // A loading button keeps its focus: it is held by its own guard instead.
      var held = loading && !disabled && definition.class === 'qm-btn';
      if (!held && 'disabled' in labelTarget) labelTarget.disabled = true;
    }
    if (loading) root.setAttribute('aria-busy', 'true');
    if (node.state === 'error' || props.error) labelTarget.setAttribute('aria-invalid', 'true');
    if (typeof props.id === 'string' && props.id && !root.id) root.id = props.id;
    var name = props.ariaLabel !== undefined ? props.ariaLabel : props.ariaMessage;
    if (name !== undefined && definition.class !== 'qm-input-group') {
      labelTarget.setAttribute('aria-label', resolveText(name, ctx.locale));
    }
  }

  function textOf(value, ctx) { return resolveText(value, ctx.locale); }

  function cardIcon(name, size) {
    return name ? iconImage(name, size, '') : null;
  }

  var RENDER = {
    'qm-app': function (node, props, ctx) {
      var main = h('main', { className: 'qm-main' });
      main.append.apply(main, buildChildren(node.children, ctx));
      var root = h('div', {
        'data-theme': props.theme === 'light' ? 'light' : 'dark',
        lang: ctx.locale,
        'data-layout': props.layout || 'workspace',
        'data-liquid-bg': typeof props.background === 'string' ? props.background : undefined
      }, main);
      if (typeof props.transparency === 'number') {
        root.style.setProperty('--qm-block-transparency', String(Math.min(1, Math.max(0, props.transparency))));
      }
      return { root: root };
    },

    'qm-card': function (node, props, ctx) {
      var layout = props.layout || 'stack';
      var root = h('article', { 'data-framed': props.framed === false ? 'false' : 'true', 'data-layout': layout });
      var hasHead = props.icon || props.title !== undefined || props.body !== undefined;
      if (props.icon) root.append(h('span', { className: 'qm-card__icon' }, cardIcon(props.icon, 20)));
      if (props.title !== undefined) {
        var titleId = typeof props.id === 'string' && props.id ? props.id + '-title' : undefined;
        // A titled card can take focus on its heading, so whoever replaces a
        // card can put the keyboard where the new content starts.
        root.append(h('h3', { className: 'qm-card__title', id: titleId, tabindex: titleId ? '-1' : undefined,
          text: textOf(props.title, ctx) }));
        if (titleId) root.setAttribute('aria-labelledby', titleId);
      }
      if (props.value !== undefined) root.append(h('div', { className: 'qm-card__value', text: textOf(props.value, ctx) }));
      if (props.body !== undefined) root.append(h('p', { className: 'qm-card__meta', text: textOf(props.body, ctx) }));
      if (hasHead) root.setAttribute('data-qm-head', props.icon ? 'icon' : 'plain');
      if (node.children.length) {
        var content = h('div', { className: 'qm-card__content', 'data-layout': layout });
        content.append.apply(content, buildChildren(node.children, ctx));
        root.append(content);
      }
      if (props.footer !== undefined) root.append(h('footer', { className: 'qm-card__footer', text: textOf(props.footer, ctx) }));
      return { root: root };
    },

    'qm-btn': function (node, props, ctx, record) {
      var loading = props.loading === true || node.state === 'loading';
      var label = props.message !== undefined ? props.message : props.label;
      var root = h('button', { type: 'button' });
      var iconName = loading ? 'loader-circle' : props.icon;
      var size = ICON_SIZES.indexOf(props.iconSize) >= 0 ? props.iconSize : 18;
      if (iconName) root.append(iconImage(iconName, size, ''));
      if (label !== undefined) root.append(h('span', { className: 'qm-btn__label', text: textOf(label, ctx) }));
      // A button that shows only its icon says its name in a hover hint too.
      var name = props.ariaLabel !== undefined ? props.ariaLabel : props.ariaMessage;
      if (label === undefined && name !== undefined) root.title = textOf(name, ctx);
      if (loading) root.append(h('span', { className: 'qm-visually-hidden', text: builtIn('loading', ctx.locale) }));
      if (props.toggle) root.setAttribute('aria-pressed', props.pressed ? 'true' : 'false');
      listen(ctx, root, 'click', function () {
        var current = record.node;
        if (root.disabled || current.props.disabled || current.props.loading || current.state === 'loading') return;
        var payload = {
          value: current.props.value !== undefined ? current.props.value : null,
          action: current.props.action !== undefined ? current.props.action : null
        };
        if (current.props.toggle) {
          current.props.pressed = !current.props.pressed;
          root.setAttribute('aria-pressed', current.props.pressed ? 'true' : 'false');
          payload.pressed = current.props.pressed;
        }
        record.emit(root, 'activate', payload);
      });
      return { root: root };
    },

    'qm-status': function (node, props, ctx) {
      var root = h('span', { role: 'status' });
      root.append(props.icon ? iconImage(props.icon, 16, '') : h('span', { className: 'qm-status__dot', 'aria-hidden': 'true' }));
      var text = h('span', { className: 'qm-status__text' });
      if (props.message !== undefined) text.append(h('span', { className: 'qm-status__message', text: textOf(props.message, ctx) }));
      if (props.description !== undefined) {
        text.append(h('span', { className: 'qm-status__description', text: textOf(props.description, ctx) }));
      }
      text.append.apply(text, buildChildren(node.children, ctx));
      root.append(text);
      return { root: root };
    },

    'qm-field': function (node, props, ctx, record) {
      var controlNode = isPlainObject(props.control) && props.control.component !== undefined
        ? props.control : null;
      if (!controlNode) {
        // A field without a control config edits its own value with a plain input.
        controlNode = normalise({ component: 'qm-input', props: { value: props.control && props.control.value !== undefined ? props.control.value : '' } });
        node.props.control = controlNode;
      }
      var controlId = typeof controlNode.props.id === 'string' && controlNode.props.id ? controlNode.props.id : uid('qm-control');
      var noteId = controlId + '-note';
      var label = props.label !== undefined ? textOf(props.label, ctx) : builtIn('value', ctx.locale);
      var note = null;
      if (props.error !== undefined && textOf(props.error, ctx)) {
        note = h('p', { className: 'qm-field__error', id: noteId, role: 'alert', text: textOf(props.error, ctx) });
      } else if (props.description !== undefined && textOf(props.description, ctx)) {
        note = h('p', { className: 'qm-field__help', id: noteId, text: textOf(props.description, ctx) });
      }
      var control = build(controlNode, ctx, {
        required: props.required,
        disabled: props.disabled,
        readonly: props.readonly,
        error: props.error,
        ariaLabel: props.label
      });
      var inner = control.matches('input, select, textarea') ? control : control.querySelector('input, select, textarea');
      if (inner) {
        // A composite control (an input group) keeps its id on its root; the
        // text box inside needs an id of its own for the label to name it.
        if (!inner.id) inner.id = control.id === controlId ? controlId + '-input' : controlId;
        if (note) inner.setAttribute('aria-describedby', noteId);
      }
      var root = h('div', null,
        h('label', { className: 'qm-field__label', for: inner ? inner.id : undefined, text: label }),
        control, note);
      if (props.error !== undefined && textOf(props.error, ctx)) root.classList.add('has-error');
      ['change', 'blur'].forEach(function (type) {
        listen(ctx, root, 'qm:' + controlNode.component.slice(3) + ':' + type, function (event) {
          if (event.target === root) return;
          var payload = type === 'change' ? { value: event.detail.payload.value }
            : { value: event.detail.payload.value, valid: event.detail.payload.valid };
          record.emit(root, type, payload);
        });
      });
      return { root: root };
    },

    'qm-input': function (node, props, ctx, record) {
      var root = h('input', {
        type: props.type || 'text',
        name: props.name,
        placeholder: props.placeholder !== undefined ? textOf(props.placeholder, ctx) : undefined,
        required: props.required === true,
        readonly: props.readonly === true || node.state === 'readonly',
        min: props.min, max: props.max, step: props.step,
        minlength: props.minLength, maxlength: props.maxLength,
        pattern: props.pattern, autocomplete: props.autocomplete, inputmode: props.inputMode,
        spellcheck: props.spellcheck === undefined ? undefined : String(props.spellcheck)
      });
      root.value = props.value === undefined ? '' : String(props.value);
      if (root.readOnly && root.value) root.title = root.value;
      wireTextInput(root, record, ctx, ['input', 'change', 'blur']);
      return { root: root };
    },

    'qm-select': function (node, props, ctx, record) {
      var root = h('select', { name: props.name, required: props.required === true, multiple: props.multiple === true });
      // Where the engine draws the picker itself, the closed box shows the
      // chosen label through an element of its own, which a narrowed select
      // can shorten with an ellipsis; elsewhere the engine draws it.
      if (STYLED_PICKER && props.multiple !== true) {
        root.append(h('button', { type: 'button', className: 'qm-select__button', tabindex: '-1' }, document.createElement('selectedcontent')));
      }
      var entries = Array.isArray(props.options) ? props.options
        : (isPlainObject(props.options) ? Object.keys(props.options).map(function (key) {
          return { value: key, label: props.options[key] };
        }) : []);
      if (props.placeholder !== undefined) {
        root.append(h('option', { value: '', disabled: true, text: textOf(props.placeholder, ctx) }));
      }
      entries.forEach(function (entry) {
        var isRecord = isPlainObject(entry) && !isLocalized(entry);
        var value = isRecord ? entry.value : entry;
        var label = isRecord ? (entry.label !== undefined ? entry.label : entry.value) : entry;
        var option = h('option', { value: String(value), disabled: isRecord && entry.disabled === true, text: textOf(label, ctx) });
        root.append(option);
      });
      var wanted = props.value === undefined ? null : String(props.value);
      Array.from(root.options).forEach(function (option) { option.selected = option.value === wanted; });
      if (wanted === null && props.placeholder !== undefined) root.options[0].selected = true;
      listen(ctx, root, 'change', function () {
        record.node.props.value = root.value;
        record.emit(root, 'change', { value: root.value, valid: root.checkValidity() });
      });
      return { root: root };
    },

    'qm-input-group': function (node, props, ctx, record) {
      var types = { search: 'search', secret: 'password', number: 'number', date: 'date', time: 'time' };
      var input = h('input', {
        className: 'qm-input-group__input',
        type: types[node.variant] || props.type || 'text',
        name: props.name,
        placeholder: props.placeholder !== undefined ? textOf(props.placeholder, ctx) : undefined,
        readonly: props.readonly === true,
        required: props.required === true,
        disabled: props.disabled === true,
        min: props.min, max: props.max, step: props.step,
        'aria-label': props.ariaMessage !== undefined ? textOf(props.ariaMessage, ctx)
          : (props.label !== undefined ? textOf(props.label, ctx) : undefined)
      });
      input.value = props.value === undefined ? '' : String(props.value);
      if (input.readOnly && input.value) input.title = input.value;
      wireTextInput(input, record, ctx, ['input', 'change']);
      var actionName = props.actionMessage !== undefined ? textOf(props.actionMessage, ctx) : '';
      var live = h('span', { className: 'qm-visually-hidden', role: 'status', 'aria-live': 'polite' });
      var iconName = node.variant === 'copy' ? 'copy' : (props.icon || '');
      var button = h('button', { type: 'button', className: 'qm-input-group__action', 'aria-label': actionName || undefined,
        title: actionName || undefined, disabled: props.disabled === true });
      var image = iconName ? iconImage(iconName, 18, '') : null;
      if (image) button.append(image);
      var settle = 0;
      // The announcement is for screen readers; a sighted user sees the icon
      // turn into a tick (or a cross) for a moment. The image keeps its node,
      // so the pointer resting on it does not raise the hint again.
      function showIcon(name) {
        image.src = 'assets/icons/' + name + '.svg';
        image.setAttribute('data-qm-icon', name);
      }
      function showOutcome(copied) {
        clearTimeout(settle);
        button.setAttribute('data-qm-copied', copied ? 'true' : 'false');
        showIcon(copied ? 'check' : 'x');
        settle = setTimeout(function () {
          button.removeAttribute('data-qm-copied');
          showIcon(iconName);
        }, 2000);
      }
      ctx.cleanups.push(function () { clearTimeout(settle); });
      listen(ctx, button, 'click', function () {
        var value = input.value;
        if (node.variant !== 'copy') {
          record.emit(button, 'action', { value: value, action: node.variant || 'action' });
          return;
        }
        var write = navigator.clipboard && navigator.clipboard.writeText
          ? Promise.resolve().then(function () { return navigator.clipboard.writeText(value); })
          : Promise.reject(new Error('no clipboard'));
        write.then(function () { return true; }, function () { return false; }).then(function (copied) {
          if (!live.isConnected) return;
          live.textContent = builtIn(copied ? 'copied' : 'copyFailed', ctx.locale);
          showOutcome(copied);
          record.emit(button, 'action', { value: value, action: 'copy', copied: copied });
        });
      });
      var root = h('div', { role: 'group' }, input, button, live);
      return { root: root, labelTarget: input };
    },

    'qm-switch': function (node, props, ctx, record) {
      var checked = node.state === 'on' || props.checked === true;
      var box = h('input', { type: 'checkbox', role: 'switch', className: 'qm-switch__input', name: props.name });
      box.checked = checked;
      var root = h('label', { 'data-checked': checked ? 'true' : 'false' },
        box,
        h('span', { className: 'qm-switch__track', 'aria-hidden': 'true' }, h('span', { className: 'qm-switch__knob' })),
        props.message !== undefined ? h('span', { className: 'qm-switch__label', text: textOf(props.message, ctx) }) : null);
      listen(ctx, box, 'change', function () {
        var value = box.checked;
        record.node.props.checked = value;
        if (record.node.state !== 'disabled') record.node.state = value ? 'on' : 'off';
        root.setAttribute('data-checked', value ? 'true' : 'false');
        root.setAttribute('data-state', record.node.state);
        root.classList.toggle('is-on', value);
        record.emit(root, 'change', { value: value, checked: value, valid: true });
      });
      return { root: root, labelTarget: box };
    },

    'qm-segment': function (node, props, ctx, record) {
      var items = Array.isArray(props.items) ? props.items.filter(isPlainObject) : [];
      var root = h('div', { role: 'group', 'data-orientation': props.orientation === 'vertical' ? 'vertical' : 'horizontal' });
      var groupDisabled = props.disabled === true || node.state === 'disabled';
      var selected = items.findIndex(function (item) { return item.id !== undefined && item.id === props.selectedId; });
      if (selected < 0) selected = items.findIndex(function (item) { return item.disabled !== true; });
      var buttons = items.map(function (item, index) {
        var button = h('button', {
          type: 'button',
          className: 'qm-segment__item',
          'aria-pressed': index === selected ? 'true' : 'false',
          tabindex: index === selected ? '0' : '-1',
          disabled: groupDisabled || item.disabled === true,
          'data-id': item.id === undefined ? undefined : String(item.id)
        }, item.icon && typeof item.icon === 'string' && knownIcons().indexOf(item.icon) >= 0 ? iconImage(item.icon, 16, '') : null,
        h('span', { text: textOf(item.label !== undefined ? item.label : item.id, ctx) }));
        return button;
      });
      root.append.apply(root, buttons);
      function choose(index, focus) {
        var item = items[index];
        if (!item || item.disabled === true || groupDisabled) return;
        buttons.forEach(function (button, i) {
          button.setAttribute('aria-pressed', i === index ? 'true' : 'false');
          button.setAttribute('tabindex', i === index ? '0' : '-1');
        });
        if (focus) buttons[index].focus();
        record.node.props.selectedId = item.id;
        record.emit(root, 'change', { id: item.id === undefined ? null : item.id, index: index,
          value: item.value !== undefined ? item.value : (item.id === undefined ? null : item.id) });
      }
      buttons.forEach(function (button, index) {
        listen(ctx, button, 'click', function () { choose(index, false); });
      });
      listen(ctx, root, 'keydown', function (event) {
        var at = buttons.indexOf(document.activeElement);
        if (at < 0) return;
        var step = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 }[event.key];
        var target = -1;
        if (step) {
          for (var i = 1; i <= buttons.length; i += 1) {
            var candidate = (at + step * i + buttons.length * i) % buttons.length;
            if (!buttons[candidate].disabled) { target = candidate; break; }
          }
        } else if (event.key === 'Home') target = buttons.findIndex(function (b) { return !b.disabled; });
        else if (event.key === 'End') {
          for (var j = buttons.length - 1; j >= 0; j -= 1) if (!buttons[j].disabled) { target = j; break; }
        }
        if (target >= 0) { event.preventDefault(); choose(target, true); }
      });
      return { root: root };
    },

    'qm-progress': function (node, props, ctx) {
      var max = typeof props.max === 'number' && props.max >= 1 ? props.max : 100;
      var raw = typeof props.value === 'number' ? props.value : Number(props.value);
      var value = Math.min(max, Math.max(0, isFinite(raw) ? raw : 0));
      var state = node.state || 'idle';
      var word = builtIn(BUILT_IN[state] ? state : 'idle', ctx.locale);
      var percent = new Intl.NumberFormat(ctx.locale === 'ru' ? 'ru-RU' : 'en-US',
        { style: 'percent', maximumFractionDigits: 1 }).format(value / max);
      var bar = h('progress', { className: 'qm-progress__bar', max: max, id: typeof props.id === 'string' && props.id ? props.id + '-bar' : undefined });
      if (state !== 'indeterminate') bar.value = value;
      var label = props.label !== undefined ? textOf(props.label, ctx) : word;
      var description = props.description !== undefined ? textOf(props.description, ctx) : '';
      // A screen reader reads the bar, not the lines around it: its name is the
      // label and its value text carries the description (amounts, speed),
      // unless the description only says the percentage again.
      var restated = description.replace(/\s/g, '') === percent.replace(/\s/g, '');
      var spoken = description && !restated ? percent + ', ' + description : percent;
      var root = h('div', {
        role: 'progressbar',
        'aria-label': label,
        'aria-valuemin': '0',
        'aria-valuemax': String(max),
        'aria-valuenow': state === 'indeterminate' ? undefined : String(value),
        'aria-valuetext': state === 'indeterminate' ? description || undefined : spoken
      });
      if (node.variant !== 'compact') {
        root.append(h('div', { className: 'qm-progress__header' },
          h('span', { className: 'qm-progress__label', text: label }),
          h('span', { className: 'qm-progress__value', text: percent })));
      }
      bar.setAttribute('aria-hidden', 'true');
      root.append(h('div', { className: 'qm-progress__track' }, bar));
      if (node.variant !== 'compact') {
        var spinning = state === 'running' || state === 'indeterminate';
        root.append(h('div', { className: 'qm-progress__meta' },
          h('span', { className: 'qm-progress__mark' + (spinning ? ' is-spinning' : ''), 'aria-hidden': 'true' }),
          h('span', { className: 'qm-progress__state', text: props.status !== undefined ? textOf(props.status, ctx) : word })));
        // An empty description still holds its line, so a caller that has
        // nothing to say in one phase does not make the content below jump.
        if (props.description !== undefined) root.append(h('p', { className: 'qm-progress__description', text: description }));
      }
      return { root: root };
    },

    'qm-alert': function (node, props, ctx, record) {
      var tone = node.variant || 'info';
      var danger = tone === 'danger';
      var root = h('section', { role: danger ? 'alert' : 'status', 'aria-live': danger ? 'assertive' : 'polite' });
      var iconName = props.icon || TONE_MARKS[tone] || 'info';
      root.append(h('span', { className: 'qm-alert__icon' },
        SEMANTIC_MARKS[iconName] ? semanticMark(SEMANTIC_MARKS[iconName], 18) : iconImage(iconName, 18, '')));
      var content = h('div', { className: 'qm-alert__content' });
      if (props.title !== undefined) content.append(h('strong', { className: 'qm-alert__title', text: textOf(props.title, ctx) }));
      if (props.body !== undefined) content.append(h('p', { className: 'qm-alert__body', text: textOf(props.body, ctx) }));
      content.append.apply(content, buildChildren(node.children, ctx));
      root.append(content);
      var actions = Array.isArray(props.action) ? props.action : (props.action !== undefined ? [props.action] : []);
      if (actions.length || props.dismissible) {
        var side = h('div', { className: 'qm-alert__actions' });
        actions.forEach(function (action, index) {
          var label = isPlainObject(action) && !isLocalized(action) ? action.label : action;
          var value = isPlainObject(action) && !isLocalized(action) && action.value !== undefined ? action.value : index;
          var button = h('button', { type: 'button', className: 'qm-alert__action', text: textOf(label, ctx) });
          listen(ctx, button, 'click', function () { record.emit(root, 'action', { index: index, value: value }); });
          side.append(button);
        });
        if (props.dismissible) {
          var close = h('button', { type: 'button', className: 'qm-alert__close', 'aria-label': builtIn('close', ctx.locale) },
            iconImage('x', 16, ''));
          listen(ctx, close, 'click', function () { dismiss('close'); });
          side.append(close);
        }
        root.append(side);
      }
      function dismiss(reason) {
        if (record.disposed) return;
        root.hidden = true;
        record.emit(root, 'dismiss', { reason: typeof reason === 'string' ? reason : 'command' });
      }
      record.commands.dismiss = function (detail) { dismiss(detail && detail.reason); };
      return { root: root };
    }
  };

  function wireTextInput(input, record, ctx, events) {
    function silent() {
      var props = record.node.props;
      return input.readOnly || input.disabled || props.readonly === true || props.disabled === true;
    }
    events.forEach(function (type) {
      listen(ctx, input, type === 'blur' ? 'blur' : type, function () {
        if (silent()) return;
        record.node.props.value = input.value;
        record.emit(input, type, { value: input.value, valid: input.checkValidity() });
      });
    });
  }

  var elementRecords = new WeakMap();

  // ---------------------------------------------------------------- the 12 components

  var COMMON_PROPS = ['id', 'loading'];
  function defineBuiltIn(name, shape) {
    define(name, {
      category: shape.category,
      variants: shape.variants || [],
      states: shape.states || [],
      densities: [],
      props: COMMON_PROPS.concat(shape.props),
      editableProps: shape.editable || [],
      events: shape.events || [],
      renderer: shape.renderer,
      composite: shape.composite === true,
      defaults: shape.defaults || {}
    });
  }

  defineBuiltIn('qm-app', { category: 'shell', renderer: 'shell', variants: ['expanded', 'collapsed'],
    props: ['sidebar', 'layout', 'theme', 'locale', 'background', 'transparency', 'children'], events: ['change'],
    defaults: { layout: 'workspace' } });
  defineBuiltIn('qm-card', { category: 'layout', renderer: 'pattern', composite: true,
    variants: ['default', 'ultra', 'directory-header', 'directory-footer', 'product-summary', 'dashboard', 'page'],
    props: ['value', 'title', 'body', 'meta', 'footer', 'icon', 'layout', 'activePanel', 'columnCount', 'gridPreset',
      'visibleItems', 'visibleLines', 'framed', 'sticky', 'qr', 'cover', 'image', 'widgets', 'editing'],
    events: ['change'], defaults: { layout: 'stack', framed: true } });
  defineBuiltIn('qm-btn', { category: 'action', renderer: 'action',
    variants: ['primary', 'secondary', 'ghost', 'danger', 'icon', 'compact', 'full'],
    states: ['default', 'hover', 'focus', 'active', 'loading', 'disabled'],
    props: ['message', 'icon', 'type', 'disabled', 'action', 'label', 'ariaMessage', 'ariaLabel', 'iconSize', 'toggle',
      'pressed', 'value'],
    editable: ['message', 'icon', 'disabled'], events: ['activate'] });
  defineBuiltIn('qm-status', { category: 'feedback', renderer: 'feedback', variants: ['info', 'success', 'warning', 'danger'],
    props: ['message', 'description', 'icon'] });
  defineBuiltIn('qm-field', { category: 'form', renderer: 'form', variants: ['default', 'row'],
    states: ['default', 'focus', 'error', 'disabled', 'readonly'],
    props: ['label', 'description', 'error', 'required', 'control', 'disabled', 'readonly'], events: ['change', 'blur'] });
  defineBuiltIn('qm-input', { category: 'form', renderer: 'form', states: ['default', 'focus', 'error', 'disabled', 'readonly'],
    props: ['name', 'value', 'placeholder', 'ariaMessage', 'disabled', 'readonly', 'label', 'ariaLabel', 'description', 'error',
      'required', 'type', 'min', 'max', 'step', 'minLength', 'maxLength', 'pattern', 'autocomplete', 'inputMode', 'spellcheck'],
    editable: ['value'], events: ['input', 'change', 'blur'] });
  defineBuiltIn('qm-select', { category: 'form', renderer: 'form', states: ['default', 'focus', 'error', 'disabled'],
    props: ['placement', 'name', 'value', 'options', 'placeholder', 'disabled', 'label', 'ariaMessage', 'ariaLabel',
      'description', 'error', 'required', 'multiple'],
    editable: ['value'], events: ['change'] });
  defineBuiltIn('qm-input-group', { category: 'form', renderer: 'form',
    variants: ['search', 'secret', 'copy', 'number', 'date', 'time'],
    props: ['name', 'value', 'placeholder', 'actionMessage', 'disabled', 'label', 'ariaMessage', 'description', 'error',
      'required', 'readonly', 'min', 'max', 'step', 'type', 'icon', 'iconSize', 'stepper'],
    editable: ['value'], events: ['input', 'change', 'action'] });
  defineBuiltIn('qm-switch', { category: 'form', renderer: 'form', states: ['off', 'on', 'disabled'],
    props: ['name', 'message', 'checked', 'disabled'], editable: ['checked'], events: ['change'],
    defaults: { checked: false } });
  defineBuiltIn('qm-segment', { category: 'navigation', renderer: 'navigation', variants: ['gallery'],
    states: ['default', 'active', 'disabled'],
    props: ['ariaMessage', 'items', 'selectedId', 'disabled', 'orientation'], editable: ['selectedId'],
    events: ['change', 'action'] });
  defineBuiltIn('qm-progress', { category: 'feedback', renderer: 'feedback', variants: ['default', 'compact'],
    states: ['idle', 'running', 'indeterminate', 'success', 'warning', 'danger'],
    props: ['label', 'value', 'max', 'description', 'ariaMessage', 'progress', 'status'],
    defaults: { value: 0, max: 100 } });
  defineBuiltIn('qm-alert', { category: 'feedback', renderer: 'feedback', composite: true,
    variants: ['info', 'success', 'warning', 'danger'],
    props: ['title', 'body', 'icon', 'dismissible', 'action', 'link'], events: ['dismiss', 'action'] });

  // ---------------------------------------------------------------- instances and redrawing

  var instances = new Map();

  function prefersReducedMotion() {
    return typeof window.matchMedia === 'function' && window.matchMedia('(prefers-reduced-motion: reduce)').matches;
  }

  var FOCUSABLE = 'input, textarea, select, button, a[href], [tabindex]';

  function captureFocus(oldRoot) {
    var active = document.activeElement;
    if (!active || !oldRoot.contains(active)) return null;
    var saved = { id: active.id, index: Array.from(oldRoot.querySelectorAll(FOCUSABLE)).indexOf(active), selection: null };
    if (oldRoot.matches(FOCUSABLE) && active === oldRoot) saved.index = -1;
    try {
      if (typeof active.selectionStart === 'number') {
        saved.selection = [active.selectionStart, active.selectionEnd, active.selectionDirection];
      }
    } catch (ignored) { /* inputs without a text selection (checkbox) throw here */ }
    return saved;
  }

  function restoreFocus(saved, newRoot) {
    if (!saved) return;
    var target = null;
    if (saved.id) target = newRoot.id === saved.id ? newRoot : newRoot.querySelector('#' + CSS.escape(saved.id));
    if (!target) target = saved.index < 0 ? newRoot : newRoot.querySelectorAll(FOCUSABLE)[saved.index];
    if (!target) return;
    target.focus({ preventScroll: true });
    if (saved.selection && typeof target.setSelectionRange === 'function') {
      try { target.setSelectionRange(saved.selection[0], saved.selection[1], saved.selection[2]); } catch (ignored) { /* not a text input */ }
    }
  }

  function progressKey(bar, index) { return bar.id ? '#' + bar.id : 'at:' + index; }

  function captureBars(oldRoot) {
    var values = new Map();
    var bars = oldRoot.matches('progress') ? [oldRoot] : Array.from(oldRoot.querySelectorAll('progress.qm-progress__bar'));
    bars.forEach(function (bar, index) {
      if (bar.hasAttribute('value')) values.set(progressKey(bar, index), bar.value);
    });
    return values;
  }

  // A rising bar glides from where it stands to its new value; the timer
  // guarantees the exact final value even when frames are suspended.
  function glideBars(oldValues, newRoot) {
    if (prefersReducedMotion()) return;
    Array.from(newRoot.querySelectorAll('progress.qm-progress__bar')).forEach(function (bar, index) {
      var from = oldValues.get(progressKey(bar, index));
      if (!bar.hasAttribute('value')) return;
      var to = bar.value;
      if (from === undefined || !(from < to)) return;
      bar.value = from;
      var start = performance.now();
      var done = false;
      function frame(now) {
        if (done || !bar.isConnected) return;
        var t = Math.min(1, Math.max(0, (now - start) / 400));
        bar.value = from + (to - from) * (1 - Math.pow(1 - t, 3));
        if (t < 1) requestAnimationFrame(frame);
      }
      requestAnimationFrame(frame);
      setTimeout(function () {
        done = true;
        if (bar.isConnected) bar.value = to;
      }, 400);
    });
  }

  // Endless animations are pinned to the document clock so a redrawn spinner
  // continues where the old one was instead of jumping back to its start.
  function pinLoops(root) {
    if (typeof root.getAnimations !== 'function') return;
    root.getAnimations({ subtree: true }).forEach(function (animation) {
      var timing = animation.effect && animation.effect.getTiming ? animation.effect.getTiming() : null;
      if (timing && timing.iterations === Infinity) animation.startTime = 0;
    });
  }

  // A read-only text field mostly holds a path or an address, whose end is what
  // tells it apart from its neighbours: it is shown scrolled to the end and
  // carries the whole value as its hint. (A mask fading the cut-off start
  // would also clip the field's border and focus ring.)
  function showValueEnds(root) {
    var fields = Array.from(root.querySelectorAll('input[readonly]'));
    if (root.matches('input[readonly]')) fields.push(root);
    fields.forEach(function (input) {
      if (TEXT_TYPES.indexOf(input.type) < 0 || !input.isConnected) return;
      input.scrollLeft = input.scrollWidth;
    });
  }

  function buildTree(current) {
    var ctx = { locale: runtime.locale, material: 'standard', records: [], cleanups: [] };
    var root = build(current, ctx);
    return { root: root, records: ctx.records, cleanups: ctx.cleanups };
  }

  function dispose(tree) {
    tree.records.forEach(function (record) { record.disposed = true; });
    tree.cleanups.forEach(function (cleanup) { cleanup(); });
  }

  // Instances mounted inside another instance's tree follow their host into
  // the rebuilt tree (found by id); without a counterpart they end.
  function carryNested(instance, oldRoot, newRoot) {
    Array.from(instances.values()).forEach(function (nested) {
      if (nested === instance || !oldRoot.contains(nested.host)) return;
      var counterpart = nested.host.id ? newRoot.querySelector('#' + CSS.escape(nested.host.id)) : null;
      if (!counterpart) { destroyInstance(nested); return; }
      instances.delete(nested.host);
      nested.host = counterpart;
      instances.set(counterpart, nested);
      counterpart.replaceChildren(nested.tree.root);
    });
  }

  // The one place a redraw keeps elements instead of building them afresh, for
  // assistive technology: a progress bar, status or field error with an id
  // carries no behaviour on its own element, so the old element stays and takes
  // the new one's attributes and content. A screen reader then hears a value
  // change on one node instead of meeting a new one on every redraw, and an
  // unchanged error is not read out again.
  var KEPT_IN_PLACE = '.qm-progress[id], .qm-status[id], .qm-field__error[id]';

  function sameContent(a, b) {
    if (a.childNodes.length !== b.childNodes.length) return false;
    return Array.from(a.childNodes).every(function (child, i) { return child.isEqualNode(b.childNodes[i]); });
  }

  function keepInPlace(oldRoot, newRoot) {
    Array.from(newRoot.querySelectorAll(KEPT_IN_PLACE)).forEach(function (element) {
      var old = oldRoot.querySelector('#' + CSS.escape(element.id));
      if (!old || old.tagName !== element.tagName || !old.matches(KEPT_IN_PLACE)) return;
      Array.from(old.attributes).forEach(function (attribute) {
        if (!element.hasAttribute(attribute.name)) old.removeAttribute(attribute.name);
      });
      Array.from(element.attributes).forEach(function (attribute) {
        if (old.getAttribute(attribute.name) !== attribute.value) old.setAttribute(attribute.name, attribute.value);
      });
      if (!sameContent(old, element)) old.replaceChildren.apply(old, Array.from(element.childNodes));
      elementRecords.set(old, elementRecords.get(element));
      element.replaceWith(old);
    });
  }

  function rebuild(instance, nextCurrent) {
    var oldTree = instance.tree;
    var oldRoot = oldTree.root;
    var focus = captureFocus(oldRoot);
    var bars = captureBars(oldRoot);
    var tree = buildTree(nextCurrent);
    instance.current = nextCurrent;
    dispose(oldTree);
    carryNested(instance, oldRoot, tree.root);
    keepInPlace(oldRoot, tree.root);
    instance.tree = tree;
    if (oldRoot.parentNode) oldRoot.parentNode.replaceChild(tree.root, oldRoot);
    else instance.host.replaceChildren(tree.root);
    restoreFocus(focus, tree.root);
    glideBars(bars, tree.root);
    pinLoops(tree.root);
    showValueEnds(tree.root);
  }

  function destroyInstance(instance) {
    if (instance.destroyed) return;
    instance.destroyed = true;
    Array.from(instances.values()).forEach(function (nested) {
      if (nested !== instance && instance.tree.root.contains(nested.host)) destroyInstance(nested);
    });
    dispose(instance.tree);
    instance.tree.root.remove();
    if (instances.get(instance.host) === instance) instances.delete(instance.host);
  }

  function resolveHost(target) {
    if (typeof target === 'string') {
      var found = null;
      try { found = document.querySelector(target); } catch (ignored) { found = null; }
      if (!found) throw new TypeError('Mount target "' + target + '" was not found.');
      return found;
    }
    if (target instanceof Element) return target;
    throw new TypeError('mount target must be a selector or DOM Element.');
  }

  function mergePatch(current, patch) {
    var next = clone(current);
    Object.keys(patch).forEach(function (key) {
      if (patch[key] === undefined) return;
      if (key === 'props') next.props = Object.assign(next.props || {}, clone(patch.props));
      else next[key] = clone(patch[key]);
    });
    if (current.component === 'qm-switch') {
      var patchedState = patch.state === 'on' || patch.state === 'off';
      var patchedChecked = patch.props && typeof patch.props.checked === 'boolean';
      if (patchedState && !patchedChecked) next.props.checked = patch.state === 'on';
      else if (patchedChecked && !patchedState && next.state !== 'disabled') next.state = patch.props.checked ? 'on' : 'off';
    }
    return next;
  }

  function mount(target, config) {
    var host = resolveHost(target);
    assertValid(config);
    var previous = instances.get(host);
    if (previous) destroyInstance(previous);
    var state = { host: host, current: normalise(config), tree: null, destroyed: false };
    state.tree = buildTree(state.current);
    host.replaceChildren(state.tree.root);
    instances.set(host, state);
    pinLoops(state.tree.root);
    showValueEnds(state.tree.root);

    function alive() {
      if (state.destroyed) throw new TypeError('QuillmarUI instance is destroyed.');
    }
    return Object.freeze({
      get root() { return state.destroyed ? null : state.tree.root; },
      update: function (patch) {
        alive();
        if (!isPlainObject(patch)) throw new TypeError('update patch must be a plain object.');
        var errors = [];
        Object.keys(patch).forEach(function (key) {
          if (CONFIG_KEYS.indexOf(key) < 0) errors.push('patch.' + key + ' is not allowed.');
        });
        if (patch.component !== undefined && patch.component !== state.current.component) {
          errors.push('patch.component cannot change.');
        }
        if (errors.length) throw new TypeError(errors.join(' '));
        var next = mergePatch(state.current, patch);
        assertValid(next);
        rebuild(state, normalise(next));
      },
      setState: function (name) {
        alive();
        this.update({ state: name });
      },
      send: function (name, detail) {
        alive();
        var record = elementRecords.get(state.tree.root);
        if (record.commands[name]) record.commands[name](detail);
        else record.emit(state.tree.root, name, detail === undefined ? null : detail);
      },
      destroy: function () { destroyInstance(state); },
      getSnapshot: function () {
        alive();
        return frozenCopy(state.current);
      }
    });
  }

  function render(config) {
    assertValid(config);
    var tree = buildTree(normalise(config));
    return tree.root;
  }

  var SELF_LOADING = ['qm-loading-state', 'qm-skeleton', 'qm-progress', 'qm-table-state'];

  function loading(config) {
    assertValid(config);
    function mark(node) {
      var copy = clone(node);
      if (SELF_LOADING.indexOf(copy.component) < 0) {
        copy.props = Object.assign({}, copy.props, { loading: true });
      }
      if (copy.component === 'qm-table') copy.props.rows = 5;
      if (copy.props && isPlainObject(copy.props.control) && copy.props.control.component) {
        copy.props.control = mark(copy.props.control);
      }
      if (copy.children !== undefined) {
        var many = Array.isArray(copy.children);
        var children = (many ? copy.children : [copy.children]).map(function (child) {
          return isPlainObject(child) && !isLocalized(child) ? mark(child) : child;
        });
        copy.children = many ? children : children[0];
      }
      return copy;
    }
    return mark(config);
  }

  var loadingMarks = new WeakMap();

  function setLoading(target, busy) {
    var host = resolveHost(target);
    var elements = [host].concat(Array.from(host.querySelectorAll('.qm-block')));
    elements.forEach(function (element) {
      if (busy) {
        if (loadingMarks.has(element)) return;
        loadingMarks.set(element, {
          classed: element.classList.contains('qm-preloading'),
          busy: element.getAttribute('aria-busy'),
          inert: element.inert
        });
        element.classList.add('qm-preloading');
        element.setAttribute('aria-busy', 'true');
        element.inert = true;
      } else {
        var saved = loadingMarks.get(element);
        if (!saved) return;
        loadingMarks.delete(element);
        element.classList.toggle('qm-preloading', saved.classed);
        if (saved.busy === null) element.removeAttribute('aria-busy');
        else element.setAttribute('aria-busy', saved.busy);
        element.inert = saved.inert;
      }
    });
  }

  // ---------------------------------------------------------------- focus modality and hover hints

  var pointerLast = false;
  var TEXT_TYPES = ['text', 'search', 'password', 'email', 'number', 'tel', 'url', 'date', 'time'];

  function takesTyping(element) {
    if (element.tagName === 'TEXTAREA' || element.isContentEditable) return true;
    return element.tagName === 'INPUT' && TEXT_TYPES.indexOf(element.type) >= 0;
  }

  function clearPointerFocus() {
    Array.from(document.querySelectorAll('[data-qm-pointer-focus]')).forEach(function (element) {
      element.removeAttribute('data-qm-pointer-focus');
    });
  }

  document.addEventListener('pointerdown', function () { pointerLast = true; }, true);
  document.addEventListener('keydown', function (event) {
    hideHint();
    if (['Shift', 'Control', 'Alt', 'Meta', 'CapsLock'].indexOf(event.key) >= 0) return;
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    pointerLast = false;
    clearPointerFocus();
  }, true);
  document.addEventListener('focusin', function (event) {
    var target = event.target;
    if (pointerLast && target instanceof Element && !takesTyping(target)) target.setAttribute('data-qm-pointer-focus', '');
  }, true);
  document.addEventListener('focusout', function (event) {
    if (event.target instanceof Element) event.target.removeAttribute('data-qm-pointer-focus');
    hideHint();
  }, true);

  var hint = { element: null, owner: null, showTimer: 0, idleTimer: 0, hiddenAt: 0 };

  function hintBubble() {
    if (!hint.element || !hint.element.isConnected) {
      hint.element = h('div', { className: 'qm-hint', role: 'tooltip', hidden: true });
      document.body.append(hint.element);
    }
    return hint.element;
  }

  function hideHint() {
    clearTimeout(hint.showTimer);
    clearTimeout(hint.idleTimer);
    if (hint.owner) {
      hint.owner.setAttribute('title', hint.owner.getAttribute('data-qm-title') || '');
      hint.owner.removeAttribute('data-qm-title');
      if (hint.element && !hint.element.hidden) hint.hiddenAt = Date.now();
      hint.owner = null;
    }
    if (hint.element) hint.element.hidden = true;
  }

  function showHint(owner) {
    var bubble = hintBubble();
    bubble.textContent = owner.getAttribute('data-qm-title') || '';
    bubble.hidden = false;
    var box = owner.getBoundingClientRect();
    var width = bubble.offsetWidth;
    var height = bubble.offsetHeight;
    var left = Math.max(4, Math.min(window.innerWidth - width - 4, box.left + box.width / 2 - width / 2));
    var top = box.top - height - 6;
    if (top < 4) top = box.bottom + 6;
    bubble.style.left = left + 'px';
    bubble.style.top = top + 'px';
  }

  document.addEventListener('pointerover', function (event) {
    var owner = event.target instanceof Element ? event.target.closest('[title]') : null;
    if (!owner || owner === hint.owner || !owner.getAttribute('title')) return;
    var recent = hint.owner !== null || Date.now() - hint.hiddenAt < 400;
    hideHint();
    // The native tooltip would double the themed one while the hint owns the text.
    owner.setAttribute('data-qm-title', owner.getAttribute('title'));
    owner.setAttribute('title', '');
    hint.owner = owner;
    if (recent) showHint(owner);
    else hint.showTimer = setTimeout(function () { if (hint.owner === owner && owner.isConnected) showHint(owner); }, 250);
    hint.idleTimer = setTimeout(hideHint, 5000);
  }, true);
  document.addEventListener('pointermove', function () {
    if (!hint.owner) return;
    clearTimeout(hint.idleTimer);
    hint.idleTimer = setTimeout(hideHint, 5000);
  }, true);
  document.addEventListener('pointerout', function (event) {
    if (hint.owner && event.target instanceof Element && hint.owner.contains(event.target)
      && !(event.relatedTarget instanceof Element && hint.owner.contains(event.relatedTarget))) hideHint();
  }, true);
  ['pointerdown', 'wheel', 'scroll'].forEach(function (type) {
    document.addEventListener(type, hideHint, { capture: true, passive: true });
  });
  window.addEventListener('blur', hideHint);

  // ---------------------------------------------------------------- announcements

  // One polite live region for the whole document. It exists before the first
  // message, since a region created together with its text is often not read.
  var announcer = null;

  function announcerRegion() {
    if (!announcer || !announcer.isConnected) {
      announcer = h('div', { className: 'qm-visually-hidden qm-announcer', role: 'status', 'aria-live': 'polite',
        'aria-atomic': 'true' });
      document.body.append(announcer);
    }
    return announcer;
  }

  function announce(text) {
    if (typeof text !== 'string' && !isLocalized(text)) throw new TypeError('announce expects a text or a localized text.');
    announcerRegion().textContent = resolveText(text, runtime.locale);
  }

  if (document.body) announcerRegion();
  else document.addEventListener('DOMContentLoaded', announcerRegion);

  // ---------------------------------------------------------------- the global

  var api = Object.freeze({
    announce: announce,
    define: define,
    describe: describe,
    list: list,
    validate: validate,
    configure: configure,
    setLocale: setLocale,
    icon: icon,
    render: render,
    loading: loading,
    setLoading: setLoading,
    mount: mount
  });
  Object.defineProperty(window, 'QuillmarUI', { value: api, enumerable: true, writable: false, configurable: false });
})();
