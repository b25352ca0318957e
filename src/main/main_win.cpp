#include <windows.h>

#include "main/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else: every later library load (the web view loader, COM
  // servers, dialogs) searches only the system folder, so a planted DLL beside the
  // downloaded installer is never picked up. The result is deliberately ignored.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return quillmar::run_installer(quillmar::embedded_assets());
}
