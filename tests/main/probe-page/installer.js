'use strict';
// Checks the window's rules from inside the page and ends the installer with
// "close" only when every check passed. A failed check leaves the window open with
// its name on screen, so the test runs into its time limit and the screenshot says
// what failed. A page that was navigated away can never send "close" either.
(function () {
  const host = document.getElementById('installer');
  const results = [];
  function check(name, ok) {
    results.push((ok ? 'ok   ' : 'FAIL ') + name);
    host.textContent = results.join('\n');
    if (!ok) {
      host.className = 'failed';
      throw new Error(name);
    }
  }
  function later(ms) {
    return new Promise((resolve) => setTimeout(resolve, ms));
  }

  const env = window.QUILLMAR_INSTALLER;
  check('environment set before the page scripts', window.probeSawEnvironmentFirst === true);
  check('environment values', env.requiredBytes === 1610612736 && env.mode === 'install' &&
        env.platform === 'windows' && typeof env.dir === 'string' && 'requestedVersion' in env);
  check('inline script blocked by the policy', window.inlineScriptRan === undefined);
  check('ipc channel frozen', Object.isFrozen(window.ipc) && typeof window.ipc.postMessage === 'function');
  check('served from the custom scheme', location.href === 'quillmar://localhost/index.html');

  const answered = new Promise((resolve) => {
    window.quillmarInstallerEvent = (event) => resolve(event);
  });

  (async () => {
    // Round trip: a page message out, an installer event back.
    window.ipc.postMessage(JSON.stringify({ type: 'diskSpace', dir: env.dir }));
    const event = await Promise.race([answered, later(20000).then(() => null)]);
    check('folder event answers diskSpace', event !== null && event.type === 'folder' && event.dir === env.dir &&
          typeof event.freeBytes === 'number');

    let opened = null;
    try {
      opened = window.open('quillmar://localhost/index.html', '_blank');
    } catch (error) {
      opened = null;
    }
    check('window.open opens nothing', opened === null);

    const link = document.createElement('a');
    link.href = 'https://example.invalid/elsewhere';
    link.textContent = 'elsewhere';
    document.body.appendChild(link);
    link.click();
    await later(3000);
    check('a link to another origin leaves the page in place', location.href === 'quillmar://localhost/index.html');

    host.className = 'passed';
    host.textContent = results.join('\n') + '\nPASSED';
    // Time for the test to take its screenshot of the finished page.
    await later(6000);
    window.ipc.postMessage(JSON.stringify({ type: 'close' }));
  })().catch(() => {});
})();
