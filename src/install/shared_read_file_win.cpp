#include "install/shared_read_file.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {

Result<SharedReadFile> SharedReadFile::open(const Path& path) {
  PlatformHandle file =
      own_handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Error{last_os_error_text()};
  return SharedReadFile(std::move(file));
}

Result<void> SharedReadFile::seek(std::uint64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(win_handle(handle_), distance, nullptr, FILE_BEGIN)) return Error{last_os_error_text()};
  return {};
}

std::optional<std::size_t> SharedReadFile::read(char* buffer, std::size_t capacity) {
  DWORD count = 0;
  const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  if (!ReadFile(win_handle(handle_), buffer, wanted, &count, nullptr)) return std::nullopt;
  return static_cast<std::size_t>(count);
}

}  // namespace quillmar
