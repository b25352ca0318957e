#include "main/startup/fatal.h"

#include <windows.h>

#include "system/process_end.h"
#include "system/wide_text_win.h"

namespace quillmar {

void show_failure(const std::string& text) {
  // No owner window: the failure may come before any window exists, or after it went.
  MessageBoxW(nullptr, utf8_to_wide(text).c_str(), L"Quillmar", MB_OK | MB_ICONERROR);
}

void fatal(const std::string& text) {
  show_failure(text);
  // The way every other exit ends: by then the web view's DLLs may be loaded, and
  // their detach code can hang an ExitProcess (see end_process_now).
  end_process_now(1);
}

}  // namespace quillmar
