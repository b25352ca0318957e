#include "system/append_file.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {

Result<AppendFile> AppendFile::open(const Path& path) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA makes every write land at the current
  // end of the file, also when another installer appends to it at the same time.
  PlatformHandle file = own_handle(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Error{last_os_error_text()};
  return AppendFile(std::move(file));
}

Result<void> AppendFile::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(win_handle(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) {
      return Error{last_os_error_text()};
    }
    bytes.remove_prefix(written);
  }
  return {};
}

}  // namespace quillmar
