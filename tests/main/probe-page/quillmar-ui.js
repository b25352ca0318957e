'use strict';
// Recorded by the first page script, before anything else of the page ran.
window.probeSawEnvironmentFirst =
  typeof window.QUILLMAR_INSTALLER === 'object' && window.QUILLMAR_INSTALLER !== null;
