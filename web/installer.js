/*
 * The installer page: one state record, five screens, drawn with QuillmarUI.
 *
 * The page holds no secrets and touches no files. Everything that acts on the
 * machine is a page message to the native side, whose answers arrive as
 * installer events through window.quillmarInstallerEvent.
 */
(function () {
  'use strict';

  var UI = window.QuillmarUI;

  // Exactly the icons this page draws or lets the toolkit draw for it.
  window.QUILLMAR_LUCIDE_ICONS = Object.freeze(['shield-check', 'x', 'arrow-right', 'arrow-left', 'loader-circle',
    'package', 'folder-open', 'download', 'refresh-cw', 'triangle-alert', 'circle-check', 'rocket', 'copy',
    'badge-check', 'check']);

  var ENV = isRecord(window.QUILLMAR_INSTALLER) ? window.QUILLMAR_INSTALLER : {};
  var PHASES = ['download', 'verify', 'install', 'shortcuts'];
  var VERSION = /^[0-9]+(?:\.[0-9]+){1,3}$/;
  var GIB = 1024 * 1024 * 1024;
  var MIB = 1024 * 1024;

  function isRecord(value) {
    return value !== null && typeof value === 'object' && !Array.isArray(value);
  }

  function initialLocale() {
    var language = String((typeof navigator !== 'undefined' && navigator.language) || 'en').toLowerCase();
    return language.indexOf('ru') === 0 ? 'ru' : 'en';
  }

  function initialTheme() {
    try {
      return window.matchMedia('(prefers-color-scheme: light)').matches ? 'light' : 'dark';
    } catch (unavailable) {
      return 'dark';
    }
  }

  var installed = isRecord(ENV.installed) ? ENV.installed : null;
  var required = Number(ENV.requiredBytes);

  var state = {
    locale: initialLocale(),
    theme: initialTheme(),
    screen: 'start',
    busy: false,
    catalogueError: null,
    dir: installed && typeof installed.dir === 'string' && installed.dir ? installed.dir
      : (typeof ENV.dir === 'string' ? ENV.dir : ''),
    freeBytes: null,
    requiredBytes: isFinite(required) ? required : 0,
    options: { desktopShortcut: true, startMenu: true },
    phase: 'download',
    checkingSpace: false,
    pct: 0,
    downloaded: null,
    total: null,
    rate: 0,
    sampleAt: 0,
    sampleBytes: 0,
    version: '',
    installedDir: '',
    failure: null,
    releases: [],
    chosenVersion: '',
    requestedVersion: typeof ENV.requestedVersion === 'string' ? ENV.requestedVersion : ''
  };

  var shell = null;
  var view = null;
  var drawnScreen = '';
  var drawnConfig = '';
  var lastDrawAt = 0;
  var redrawTimer = 0;
  // What the live region last said, so each phase, step and outcome is told once.
  var told = { screen: '', phase: '', step: 0 };

  // ---------------------------------------------------------------- texts

  function copy(en, ru) { return { en: en, ru: ru }; }
  function t(en, ru) { return state.locale === 'ru' ? ru : en; }

  function bytes(value) {
    var amount = Math.max(0, Number(value) || 0);
    var text = amount >= GIB ? (amount / GIB).toFixed(1) + ' ' + t('GB', 'ГБ')
      : (amount / MIB).toFixed(1) + ' ' + t('MB', 'МБ');
    return state.locale === 'ru' ? text.replace('.', ',') : text;
  }

  function releaseDate(value) {
    var date = new Date(String(value));
    if (isNaN(date.getTime())) return '';
    return date.toLocaleDateString(state.locale === 'ru' ? 'ru-RU' : 'en-GB');
  }

  function step(n) { return copy('Step ' + n + ' of 3', 'Шаг ' + n + ' из 3'); }

  function percentLine(pct) { return Math.round(pct) + ' %'; }

  function catalogueErrorText(reason, status) {
    if (reason === 'network') {
      return copy('The Quillmar release server could not be reached. Check your internet connection and try again.',
        'Не удалось связаться с сервером выпусков Quillmar. Проверьте подключение к интернету и повторите.');
    }
    if (reason === 'unavailable') {
      return copy('Quillmar cannot be installed yet: no application package is available for download right now; try again later',
        'Установить Quillmar пока нельзя: пакет приложения сейчас недоступен для скачивания; повторите позже');
    }
    var code = Number(status);
    var shown = status !== undefined && status !== null && isFinite(code) && code !== 0 ? String(code) : '—';
    return copy('The release server returned an unexpected answer (HTTP ' + shown + ').',
      'Сервер выпусков вернул неожиданный ответ (HTTP ' + shown + ').');
  }

  var FAILURE_TITLES = {
    download: copy('The application package could not be downloaded or failed verification.',
      'Не удалось скачать пакет приложения или он не прошёл проверку.'),
    verify: copy('The application package failed verification.', 'Пакет приложения не прошёл проверку.'),
    disk: copy('Not enough free disk space.', 'Недостаточно свободного места.'),
    cancelled: copy('Setup was cancelled.', 'Установка отменена.'),
    installerLocation: copy('Move this installer out of the Quillmar installation folder, then run it again.',
      'Переместите этот установщик из папки установки Quillmar и запустите его снова.'),
    verifyInstalled: copy('The installed application did not pass the integrity check.',
      'Установленное приложение не прошло проверку целостности.')
  };

  function failureTitle(failure) {
    if (Object.prototype.hasOwnProperty.call(FAILURE_TITLES, failure.reason)) return FAILURE_TITLES[failure.reason];
    var suffix = failure.code === null ? '' : ' (code ' + String(failure.code) + ')';
    var suffixRu = failure.code === null ? '' : ' (код ' + String(failure.code) + ')';
    return copy('The Quillmar setup did not complete' + suffix + '.', 'Установка Quillmar не завершилась' + suffixRu + '.');
  }

  function failureOutcome(reason) {
    if (reason === 'installerLocation') return copy('No files were changed.', 'Файлы не изменены.');
    if (reason === 'verifyInstalled') {
      return copy('Check the installation folder and the setup log before trying again.',
        'Проверьте папку установки и журнал перед повторной попыткой.');
    }
    return copy('Nothing was installed.', 'Ничего не установлено.');
  }

  // ---------------------------------------------------------------- derived values

  function freeKnown() { return typeof state.freeBytes === 'number' && isFinite(state.freeBytes); }

  function folderTooSmall() {
    return freeKnown() && state.requiredBytes > 0 && state.freeBytes < state.requiredBytes;
  }

  function targetVersion() {
    if (state.chosenVersion) return state.chosenVersion;
    var newest = state.releases.find(function (item) { return item.newest; });
    return newest ? newest.version : '';
  }

  function acceptReleases(releases) {
    state.releases = (Array.isArray(releases) ? releases : []).filter(function (item) {
      return isRecord(item) && VERSION.test(String(item.version));
    }).map(function (item) {
      return { version: String(item.version), published_at: item.published_at, newest: item.newest === true };
    });
    var requested = state.releases.find(function (item) {
      return item.version === state.requestedVersion && !item.newest;
    });
    state.chosenVersion = requested ? requested.version : '';
  }

  function downloadStats() {
    if (typeof state.downloaded !== 'number') {
      return t('Connecting to the Quillmar server…', 'Подключение к серверу Quillmar…');
    }
    var parts = [state.total !== null
      ? t(bytes(state.downloaded) + ' of ' + bytes(state.total), bytes(state.downloaded) + ' из ' + bytes(state.total))
      : bytes(state.downloaded)];
    if (state.rate > 0) {
      parts.push(bytes(state.rate) + t('/s', '/с'));
      if (state.total !== null && state.total > state.downloaded) {
        var seconds = (state.total - state.downloaded) / state.rate;
        var minutes = Math.ceil(seconds / 60);
        parts.push(seconds < 60 ? t('less than a minute left', 'осталось меньше минуты')
          : t('≈ ' + minutes + ' min left', 'осталось ≈ ' + minutes + ' мин'));
      }
    }
    return parts.join(' · ');
  }

  function phaseLabel() {
    if (state.phase === 'verify') return copy('Checking the signature and integrity', 'Проверка подписи и целостности');
    if (state.phase === 'install') return copy('Installing files', 'Установка файлов');
    if (state.phase === 'shortcuts') return copy('Creating shortcuts', 'Создание ярлыков');
    var version = state.version ? ' ' + state.version : '';
    return copy('Downloading Quillmar' + version, 'Загрузка Quillmar' + version);
  }

  // ---------------------------------------------------------------- configs

  function button(action, message, icon, variant, disabled) {
    var props = { id: 'installer-' + action, action: action, message: message, icon: icon };
    if (disabled) props.disabled = true;
    return { component: 'qm-btn', variant: variant, props: props };
  }

  function row(children) {
    return { component: 'qm-card', props: { framed: false, layout: 'row' }, children: children };
  }

  function card(props, children) {
    return { component: 'qm-card', props: Object.assign({ id: 'installer-card' }, props), children: children.filter(Boolean) };
  }

  function startScreen() {
    return card({ icon: 'badge-check', title: copy('Install Quillmar', 'Установка Quillmar'), body: step(1) }, [
      state.catalogueError ? {
        component: 'qm-alert', variant: 'danger', props: { id: 'installer-catalogue-error', body: state.catalogueError }
      } : null,
      row([
        { component: 'qm-segment', props: { id: 'installer-locale', ariaMessage: copy('Language', 'Язык'),
          items: [{ id: 'ru', label: 'RU' }, { id: 'en', label: 'EN' }], selectedId: state.locale } },
        button('close', copy('Cancel', 'Отмена'), 'x', 'secondary', state.busy),
        button('continue', state.busy ? copy('Connecting…', 'Подключение…') : copy('Continue', 'Далее'),
          state.busy ? 'loader-circle' : 'arrow-right', 'primary', state.busy)
      ])
    ]);
  }

  function installedStatus() {
    var version = String(installed.version === undefined || installed.version === null ? '' : installed.version);
    var target = targetVersion();
    var first = target ? copy('It will be replaced by Quillmar ' + target + '.', 'Он будет заменён на Quillmar ' + target + '.')
      : copy('It will be replaced by the new version.', 'Он будет заменён новой версией.');
    return { component: 'qm-status', variant: 'info', props: {
      id: 'installer-installed',
      icon: 'refresh-cw',
      message: copy('Quillmar ' + version + ' is installed here', 'Quillmar ' + version + ' уже установлен'),
      description: copy(first.en + ' Your accounts and settings stay on this computer.',
        first.ru + ' Ваши учётные записи и настройки останутся на этом компьютере.')
    } };
  }

  // The line under the folder: the shortage as an error, else the space
  // needed (and free, when known), else nothing.
  function spaceNote() {
    var needed = bytes(state.requiredBytes);
    if (folderTooSmall()) {
      var shortage = t('Not enough free space: ' + needed + ' needed, ' + bytes(state.freeBytes) + ' free.',
        'Недостаточно места: нужно ' + needed + ', свободно ' + bytes(state.freeBytes) + '.');
      // An update goes where the installed copy is: the folder cannot be
      // changed, so the way out is making room on that drive.
      return { error: true, text: shortage + ' ' + (installed
        ? t('Free up space on this drive, then check again.', 'Освободите место на этом диске и проверьте снова.')
        : t('Choose another folder.', 'Выберите другую папку.')) };
    }
    if (state.requiredBytes > 0 && freeKnown()) {
      return { error: false, text: t('Needs ' + needed + ' · ' + bytes(state.freeBytes) + ' free',
        'Нужно ' + needed + ' · свободно ' + bytes(state.freeBytes)) };
    }
    return { error: false, text: state.requiredBytes > 0 ? t('Needs ' + needed, 'Нужно ' + needed) : '' };
  }

  function folderField() {
    var props = {
      id: 'installer-dir-field',
      label: copy('Installation folder', 'Папка установки'),
      control: { component: 'qm-input', props: { id: 'installer-dir', name: 'dir', value: state.dir, readonly: true } }
    };
    var note = spaceNote();
    if (note.error) props.error = note.text;
    else if (note.text) props.description = note.text;
    return { component: 'qm-field', state: note.error ? 'error' : 'default', props: props };
  }

  function versionChoice() {
    return { component: 'qm-select', props: {
      id: 'installer-version',
      name: 'version',
      ariaMessage: copy('Version', 'Версия'),
      options: state.releases.map(function (item) {
        var label = item.newest ? t(item.version + ' — newest', item.version + ' — последняя')
          : (item.version + ' — ' + releaseDate(item.published_at)).replace(/ — $/, '');
        return { value: item.version, label: label };
      }),
      value: state.chosenVersion || state.releases[0].version
    } };
  }

  function optionSwitch(id, name, message) {
    var on = state.options[name];
    return { component: 'qm-switch', state: on ? 'on' : 'off', props: { id: id, name: name, message: message, checked: on } };
  }

  // An update cannot move to another folder, so while its drive is too full
  // the way forward is to free space there and ask again; the button goes
  // once the space suffices. It shows only its icon: beside the version
  // choice, Back and the held Update a labelled button would not fit the row.
  function checkSpaceButton() {
    var props = { id: 'installer-check-space', action: 'check-space', icon: 'refresh-cw',
      ariaMessage: copy('Check again', 'Проверить снова') };
    if (state.checkingSpace) props.loading = true;
    return { component: 'qm-btn', variant: 'icon', props: props };
  }

  function optionsScreen() {
    return card({ icon: 'package', title: copy('Installation options', 'Параметры установки'), body: step(2) }, [
      installed ? installedStatus() : null,
      folderField(),
      installed ? null : row([button('choose-folder', copy('Change folder…', 'Изменить папку…'), 'folder-open', 'secondary')]),
      { component: 'qm-card', props: { framed: false, layout: 'stack' }, children: [
        optionSwitch('installer-desktop-shortcut', 'desktopShortcut', copy('Create a desktop icon', 'Создать значок на рабочем столе')),
        optionSwitch('installer-start-menu', 'startMenu', copy('Add to the Start menu', 'Добавить в меню «Пуск»'))
      ] },
      row([
        state.releases.length > 1 ? versionChoice() : null,
        button('back', copy('Back', 'Назад'), 'arrow-left', 'secondary'),
        installed && folderTooSmall() ? checkSpaceButton() : null,
        button('install', installed ? copy('Update', 'Обновить') : copy('Install', 'Установить'), 'download', 'primary',
          folderTooSmall() || !state.dir)
      ].filter(Boolean))
    ]);
  }

  function cancellable() { return state.phase === 'download' || state.phase === 'verify'; }

  function progressScreen() {
    var bar = {
      id: 'installer-progress',
      max: 100,
      value: Math.round(state.pct),
      label: phaseLabel(),
      description: state.phase === 'download' ? downloadStats() : percentLine(state.pct)
    };
    return card({ icon: 'download', title: copy('Installing Quillmar', 'Установка Quillmar'), body: step(3) }, [
      { component: 'qm-progress', state: 'running', props: bar },
      { component: 'qm-status', variant: 'info', props: {
        id: 'installer-verified',
        icon: 'shield-check',
        message: copy('Only verified files are installed', 'Устанавливаются только проверенные файлы'),
        description: copy('The package is checked against the signed release before anything is written to the folder.',
          'Пакет сверяется с подписанным выпуском до того, как что-либо записывается в папку.')
      } },
      cancellable() ? row([button('cancel', copy('Cancel', 'Отмена'), 'x', 'secondary')]) : null
    ]);
  }

  function doneScreen() {
    var props = { icon: 'circle-check', title: copy('Quillmar installed', 'Quillmar установлен') };
    if (state.version) props.body = copy('Version ' + state.version, 'Версия ' + state.version);
    var status = { id: 'installer-installed-in', icon: 'folder-open', message: copy('Installed in', 'Установлен в папку') };
    if (state.installedDir) status.description = state.installedDir;
    return card(props, [
      { component: 'qm-status', variant: 'success', props: status },
      row([
        button('close', copy('Close', 'Закрыть'), 'x', 'secondary'),
        button('launch', copy('Launch Quillmar', 'Запустить Quillmar'), 'rocket', 'primary')
      ])
    ]);
  }

  function failedScreen() {
    var failure = state.failure || { reason: 'install', detail: '', code: null, log: '' };
    var outcome = failureOutcome(failure.reason);
    var body = failure.detail
      ? copy(outcome.en + ' Details: ' + failure.detail, outcome.ru + ' Подробности: ' + failure.detail)
      : outcome;
    var backToOptions = ['cancelled', 'disk', 'installerLocation'].indexOf(failure.reason) >= 0;
    return card({ icon: 'triangle-alert', title: copy('Setup not completed', 'Установка не завершена') }, [
      { component: 'qm-alert', variant: 'danger', props: {
        id: 'installer-error', icon: 'triangle-alert', title: failureTitle(failure), body: body
      } },
      failure.log ? { component: 'qm-field', props: {
        id: 'installer-log-field',
        label: copy('Setup log', 'Журнал установки'),
        description: copy('Send it to support if the problem repeats.', 'Передайте его в поддержку, если ошибка повторится.'),
        control: { component: 'qm-input-group', variant: 'copy', props: {
          id: 'installer-log', name: 'log', value: failure.log, readonly: true,
          actionMessage: copy('Copy the log path', 'Скопировать путь к журналу')
        } }
      } } : null,
      row([
        button('close', copy('Close', 'Закрыть'), 'x', 'secondary'),
        backToOptions ? button('back', copy('Back to options', 'К параметрам'), 'arrow-left', 'primary')
          : button('retry', copy('Retry', 'Повторить'), 'refresh-cw', 'primary')
      ])
    ]);
  }

  var SCREENS = { start: startScreen, options: optionsScreen, install: progressScreen, done: doneScreen, failed: failedScreen };

  // ---------------------------------------------------------------- drawing

  function mountShell() {
    shell = UI.mount(document.getElementById('installer'), {
      component: 'qm-app',
      props: { layout: 'window', theme: state.theme, locale: state.locale, background: 'gallery-ink-wave' },
      children: [{ component: 'qm-card', props: { id: 'installer-host', framed: false } }]
    });
  }

  function draw(force) {
    var now = Date.now();
    // Download progress can arrive many times a second: the progress screen
    // redraws at most every 200 ms, and the trailing timer shows the last event.
    // Its first drawing is never held back, so Install answers at once and the
    // options screen does not stay pressable behind it.
    if (!force && state.screen === 'install' && drawnScreen === 'install' && now - lastDrawAt < 200) {
      if (!redrawTimer) {
        redrawTimer = setTimeout(function () {
          redrawTimer = 0;
          draw(true);
        }, 200);
      }
      return;
    }
    clearTimeout(redrawTimer);
    redrawTimer = 0;
    lastDrawAt = now;
    var slot = shell.root.querySelector('#installer-host');
    if (view && drawnScreen !== state.screen) {
      view.destroy();
      view = null;
    }
    drawnScreen = state.screen;
    var config = SCREENS[state.screen]();
    var configText = JSON.stringify(config);
    // A redraw that would change nothing is skipped: rebuilding the failed
    // screen's alert would have it read out again on every late event.
    if (!view || configText !== drawnConfig) {
      var fresh = !view;
      var focused = !fresh && view.root.contains(document.activeElement);
      if (view) view.update(config);
      else view = UI.mount(slot, config);
      drawnConfig = configText;
      // A new screen starts the keyboard at its heading; so does a redraw that
      // took away the focused control (a disabled or vanished button).
      if (fresh || (focused && !slot.contains(document.activeElement))) focusHeading();
    }
    tell();
  }

  function focusHeading() {
    var heading = document.getElementById('installer-card-title');
    if (heading) heading.focus();
  }

  // The live region follows the install: each phase as it starts, every tenth
  // of it, and the outcome, each said once.
  function tell() {
    var screen = state.screen;
    var step = Math.floor(state.pct / 10);
    if (screen === 'install') {
      if (told.screen !== 'install' || told.phase !== state.phase) {
        UI.announce(phaseLabel());
        told.phase = state.phase;
        told.step = step;
      } else if (step > told.step) {
        UI.announce(percentLine(step * 10));
        told.step = step;
      }
    } else if (screen === 'done' && told.screen !== 'done') {
      UI.announce(state.version ? copy('Quillmar installed. Version ' + state.version, 'Quillmar установлен. Версия ' + state.version)
        : copy('Quillmar installed', 'Quillmar установлен'));
    } else if (screen === 'failed' && told.screen !== 'failed') {
      UI.announce(copy('Setup not completed', 'Установка не завершена'));
    }
    told.screen = screen;
  }

  // ---------------------------------------------------------------- messages out

  // Returns whether the message went out, for the few waits shown on screen.
  function send(type, payload) {
    try {
      window.ipc.postMessage(JSON.stringify(Object.assign({ type: type }, payload)));
      return true;
    } catch (noNativeSide) {
      // Without a native side (a plain browser) the page still draws.
      return false;
    }
  }

  function requestCatalogue() {
    if (state.busy) return;
    state.busy = true;
    state.catalogueError = null;
    draw(false);
    send('preflight');
  }

  function startInstall() {
    state.screen = 'install';
    state.phase = 'download';
    state.pct = 0;
    state.downloaded = null;
    state.total = null;
    state.rate = 0;
    state.sampleAt = 0;
    state.sampleBytes = 0;
    state.failure = null;
    draw(false);
    var message = { dir: state.dir, desktopShortcut: state.options.desktopShortcut, startMenu: state.options.startMenu, dock: false };
    if (state.chosenVersion) message.version = state.chosenVersion;
    send('install', message);
  }

  function switchLanguage(locale) {
    var active = document.activeElement;
    var fromSegment = !!(active && active.closest && active.closest('#installer-locale'));
    state.locale = locale;
    UI.setLocale(locale);
    document.documentElement.lang = locale;
    if (view) view.destroy();
    view = null;
    shell.destroy();
    mountShell();
    draw(true);
    // The rebuilt screen is new; a keyboard user keeps their place on the switch.
    if (fromSegment) {
      var pressed = document.querySelector('#installer-locale [aria-pressed="true"]');
      if (pressed) pressed.focus();
    }
  }

  // ---------------------------------------------------------------- events in

  function numberOrNull(value) {
    if (typeof value !== 'number' && !(typeof value === 'string' && value.trim())) return null;
    var number = Number(value);
    return isFinite(number) ? number : null;
  }

  function intakeProgress(event) {
    if (PHASES.indexOf(event.phase) >= 0) state.phase = event.phase;
    var pct = Number(event.pct);
    state.pct = isFinite(pct) ? Math.min(100, Math.max(0, pct)) : 0;
    if (event.version !== undefined && event.version !== null && String(event.version)) state.version = String(event.version);
    var downloaded = 'downloaded' in event ? Number(event.downloaded) : NaN;
    var total = 'total' in event ? Number(event.total) : NaN;
    if (isFinite(total) && total > 0) state.total = total;
    if (isFinite(downloaded) && downloaded >= 0) {
      var now = Date.now();
      if (state.sampleAt && downloaded > state.sampleBytes) {
        var instant = (downloaded - state.sampleBytes) / Math.max(0.1, (now - state.sampleAt) / 1000);
        state.rate = state.rate ? state.rate * 0.72 + instant * 0.28 : instant;
      }
      state.sampleAt = now;
      state.sampleBytes = downloaded;
      state.downloaded = downloaded;
    }
  }

  var EVENTS = {
    preflight: function (event) {
      state.busy = false;
      if (event.ok) {
        state.screen = 'options';
        acceptReleases(event.releases);
        send('diskSpace', { dir: state.dir });
      } else {
        state.catalogueError = catalogueErrorText(event.reason, event.status);
      }
    },
    folder: function (event) {
      var before = spaceNote();
      if (event.dir !== undefined && event.dir !== null && String(event.dir)) state.dir = String(event.dir);
      // An unknown free space arrives as null; it must stay unknown rather
      // than read as zero bytes, which would refuse every folder.
      state.freeBytes = numberOrNull(event.freeBytes);
      if (!state.checkingSpace) return;
      state.checkingSpace = false;
      // The answer to Check again is told even when it is the same as before;
      // a changed shortage is read out by the field's own alert.
      var after = spaceNote();
      if (after.text && !(after.error && after.text !== before.text)) UI.announce(after.text);
    },
    progress: intakeProgress,
    installed: function (event) {
      state.screen = 'done';
      var dir = event.dir === undefined || event.dir === null ? '' : String(event.dir);
      var version = event.version === undefined || event.version === null ? '' : String(event.version);
      state.installedDir = dir || state.dir;
      if (version) state.version = version;
    },
    failed: function (event) {
      state.screen = 'failed';
      state.failure = {
        reason: typeof event.reason === 'string' && event.reason ? event.reason : 'install',
        detail: typeof event.detail === 'string' ? event.detail : '',
        code: event.code === undefined || event.code === null ? null : event.code,
        log: typeof event.log === 'string' ? event.log : ''
      };
    }
  };

  window.quillmarInstallerEvent = function (event) {
    if (!isRecord(event)) return;
    if (Object.prototype.hasOwnProperty.call(EVENTS, event.type)) EVENTS[event.type](event);
    draw(false);
  };

  var ACTIONS = {
    continue: requestCatalogue,
    'choose-folder': function () { send('chooseFolder', { dir: state.dir }); },
    'check-space': function () {
      // The button waits for the answer, so a check that finds the drive
      // still full is seen (and heard) to have happened.
      state.checkingSpace = send('diskSpace', { dir: state.dir });
      draw(true);
    },
    install: startInstall,
    retry: startInstall,
    back: function () {
      state.screen = state.screen === 'failed' ? 'options' : 'start';
      draw(true);
    },
    // The worker answers with "failed" and "cancelled" once it stops, or runs
    // on to its end when the download is already behind it.
    cancel: function () { send('cancel'); },
    launch: function () { send('launch'); },
    close: function () { send('close'); }
  };

  // ---------------------------------------------------------------- keyboard

  // Enter goes to the screen's primary action unless the focused control has
  // an Enter of its own; Escape goes to its secondary action.
  var PRIMARY = { start: ['continue'], options: ['install', 'check-space'], install: [], done: ['launch'], failed: ['retry', 'back'] };
  var SECONDARY = { start: ['close'], options: ['back'], install: ['cancel'], done: ['close'], failed: ['close'] };
  var OWN_ENTER = 'button, select, textarea, a[href], [contenteditable=""], [contenteditable="true"]';

  function onKey(event) {
    // A held key repeats; one press must not run Install and then Retry.
    if (event.repeat || event.defaultPrevented || event.altKey || event.ctrlKey || event.metaKey || event.shiftKey
      || event.isComposing) return;
    var target = event.target instanceof Element ? event.target : null;
    var actions = null;
    if (event.key === 'Enter' && !(target && target.closest(OWN_ENTER))) actions = PRIMARY[state.screen];
    else if (event.key === 'Escape') actions = SECONDARY[state.screen];
    if (!actions) return;
    var button = actions.map(function (action) { return document.getElementById('installer-' + action); })
      .find(function (element) { return element && !element.disabled; });
    if (!button) return;
    event.preventDefault();
    button.click();
  }

  // ---------------------------------------------------------------- start-up

  document.documentElement.setAttribute('data-theme', state.theme);
  UI.setLocale(state.locale);
  document.documentElement.lang = state.locale;

  var host = document.getElementById('installer');
  host.addEventListener('qm:btn:activate', function (event) {
    var action = event.detail.payload.action;
    if (Object.prototype.hasOwnProperty.call(ACTIONS, action)) ACTIONS[action]();
  });
  host.addEventListener('qm:select:change', function (event) {
    if (event.detail.id !== 'installer-version') return;
    var wanted = String(event.detail.payload.value);
    var item = state.releases.find(function (release) { return release.version === wanted; });
    state.chosenVersion = item && !item.newest ? item.version : '';
    draw(true);
  });
  host.addEventListener('qm:switch:change', function (event) {
    var names = { 'installer-desktop-shortcut': 'desktopShortcut', 'installer-start-menu': 'startMenu' };
    if (names[event.detail.id]) state.options[names[event.detail.id]] = Boolean(event.detail.payload.checked);
  });
  host.addEventListener('qm:segment:change', function (event) {
    if (event.detail.id !== 'installer-locale') return;
    var payload = event.detail.payload;
    var locale = String(payload.id === undefined || payload.id === null || payload.id === '' ? payload.value : payload.id);
    if (locale === 'en' || locale === 'ru') switchLanguage(locale);
  });

  document.addEventListener('keydown', onKey);

  mountShell();
  draw(true);
  requestCatalogue();
})();
