#include <windows.h>

#include "main/delay_load_win.h"
#include "main/run_installer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else: every later library load (the web view loader, COM
  // servers, dialogs) searches only the system folder, so a planted DLL beside the
  // downloaded installer is never picked up. The result is deliberately ignored.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The executable imports only DLLs Windows always takes from the system folder;
  // the others are delay-loaded, and this keeps them to the system folder as well.
  quillmar::load_delay_imports_from_system_folder();
  return quillmar::run_installer(quillmar::embedded_assets());
}
