#include "system/os_error.h"

#include <windows.h>

#include "system/wide_text_win.h"

namespace quillmar {

std::string os_error_text(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message = length ? std::wstring(buffer, length) : L"Unknown error";
  if (buffer) LocalFree(buffer);
  // System messages end in a line break that would split the log line.
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
    message.pop_back();
  }
  return wide_to_utf8(message) + " (os error " + std::to_string(code) + ")";
}

std::string last_os_error_text() {
  const DWORD code = GetLastError();
  if (code == 0) return "an unknown operating-system failure (os error 0)";
  return os_error_text(code);
}

}  // namespace quillmar
