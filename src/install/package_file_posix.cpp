#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "install/package_file.h"
#include "system/os_error.h"

namespace quillmar {

Result<void> create_folder_tree(const std::filesystem::path& folder) {
  if (mkdir(folder.c_str(), 0700) == 0) return {};
  const int error = errno;
  if (error == EEXIST) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
    return Error{os_error_text(EEXIST)};
  }
  if (error != ENOENT || !folder.has_relative_path() || folder.parent_path() == folder) {
    return Error{os_error_text(static_cast<unsigned long>(error))};
  }
  if (auto parent = create_folder_tree(folder.parent_path()); !parent) return parent;
  if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return {};
  return Error{last_os_error_text()};
}

Result<PackageFile> PackageFile::create(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
  if (fd < 0) return Error{last_os_error_text()};
  return PackageFile(fd);
}

PackageFile::PackageFile(PackageFile&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}

PackageFile& PackageFile::operator=(PackageFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kNone);
  }
  return *this;
}

PackageFile::~PackageFile() { close(); }

void PackageFile::close() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

Result<void> PackageFile::write(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Error{last_os_error_text()};
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return {};
}

Result<void> PackageFile::flush() {
  if (fsync(static_cast<int>(handle_)) != 0) return Error{last_os_error_text()};
  return {};
}

}  // namespace quillmar
