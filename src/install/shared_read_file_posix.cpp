#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "install/shared_read_file.h"
#include "system/handle_posix.h"
#include "system/os_error.h"

namespace quillmar {

Result<SharedReadFile> SharedReadFile::open(const Path& path) {
  PlatformHandle file = own_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) return Error{last_os_error_text()};
  return SharedReadFile(std::move(file));
}

Result<void> SharedReadFile::seek(std::uint64_t offset) {
  if (lseek(descriptor(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) return Error{last_os_error_text()};
  return {};
}

std::optional<std::size_t> SharedReadFile::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t count = ::read(descriptor(handle_), buffer, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) return std::nullopt;
  }
}

}  // namespace quillmar
