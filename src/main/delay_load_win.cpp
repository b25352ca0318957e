#include "main/delay_load_win.h"

#include <windows.h>
#include <delayimp.h>

namespace quillmar {
namespace {

// The delay-load helper asks before it loads a DLL; the module returned here is the
// one it uses. Returning nothing would let it fall back to the ordinary search.
FARPROC WINAPI load_from_system_folder(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
  return reinterpret_cast<FARPROC>(LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace

void load_delay_imports_from_system_folder() { __pfnDliNotifyHook2 = &load_from_system_folder; }

}  // namespace quillmar
