// Stands in for the native host before any page script runs: it sets the
// installer environment and the page language from the query string and
// records every page message instead of posting it to a native side.
(() => {
  const query = new URLSearchParams(location.search);
  const sent = [];
  Object.defineProperty(window, '__quillmarTestBridge', { value: Object.freeze({ sent }) });
  if (query.get('ipc') !== 'none') {
    Object.defineProperty(window, 'ipc', {
      value: Object.freeze({ postMessage: (text) => { sent.push(JSON.parse(text)); } })
    });
  }
  if (query.has('env')) window.QUILLMAR_INSTALLER = JSON.parse(query.get('env'));
  if (query.has('lang')) {
    const language = query.get('lang');
    Object.defineProperty(Navigator.prototype, 'language', { get: () => language, configurable: true });
  }
})();
