#include "main/fatal.h"

#include <windows.h>

#include "system/wide_text_win.h"

namespace quillmar {

void fatal(const std::string& text) {
  // No owner window: the failure may come before any window exists.
  MessageBoxW(nullptr, utf8_to_wide(text).c_str(), L"Quillmar", MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

}  // namespace quillmar
