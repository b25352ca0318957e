#include "install/package_file.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {
namespace {

bool is_folder(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Result<void> create_folder_tree(const std::filesystem::path& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr)) return {};
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    if (is_folder(folder)) return {};
    return Error{os_error_text(error)};
  }
  if (error != ERROR_PATH_NOT_FOUND || !folder.has_relative_path() || folder.parent_path() == folder) {
    return Error{os_error_text(error)};
  }
  if (auto parent = create_folder_tree(folder.parent_path()); !parent) return parent;
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return {};
  return Error{last_os_error_text()};
}

Result<PackageFile> PackageFile::create(const std::filesystem::path& path) {
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
