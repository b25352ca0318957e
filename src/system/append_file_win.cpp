#include "system/append_file.h"

#include <windows.h>


namespace quillmar {
namespace {

HANDLE as_handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::optional<AppendFile> AppendFile::open(const std::filesystem::path& path) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA makes every write land at the current
  // end of the file, also when another installer appends to it at the same time.
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  return AppendFile(reinterpret_cast<std::intptr_t>(file));
}

void AppendFile::close() {
  if (handle_ != kNone) CloseHandle(as_handle(handle_));
  handle_ = kNone;
}

bool AppendFile::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(as_handle(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace quillmar
