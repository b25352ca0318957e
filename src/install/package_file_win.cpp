#include "install/package_file.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {

Result<PackageFile> PackageFile::create(const Path& path) {
  PlatformHandle file =
      own_handle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Error{last_os_error_text()};
  return PackageFile(std::move(file));
}

Result<void> PackageFile::write(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(win_handle(handle_), bytes, chunk, &written, nullptr)) return Error{last_os_error_text()};
    if (written == 0) return Error{os_error_text(ERROR_WRITE_FAULT)};
    bytes += written;
    size -= written;
  }
  return {};
}

Result<void> PackageFile::flush() {
  if (!FlushFileBuffers(win_handle(handle_))) return Error{last_os_error_text()};
  return {};
}

}  // namespace quillmar
