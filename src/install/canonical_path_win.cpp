#include <windows.h>

#include <string>
#include <vector>

#include "install/canonical_path.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {

Result<Path> canonical_path(const Path& path) {
  // Opening the path resolves links; FILE_FLAG_BACKUP_SEMANTICS lets a folder open.
  PlatformHandle handle =
      own_handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return Error{last_os_error_text()};
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(win_handle(handle), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return Error{last_os_error_text()};
    if (length < buffer.size()) {
      std::wstring text(buffer.data(), length);
      // The system answers with the long-path prefix; the executable's own path
      // comes without it, so both are compared in the ordinary form.
      if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        text = L"\\\\" + text.substr(8);
      } else if (text.rfind(L"\\\\?\\", 0) == 0) {
        text = text.substr(4);
      }
      return Path(text);
    }
    buffer.resize(length);
  }
}

}  // namespace quillmar
