#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "install/shared_read_file.h"

namespace quillmar {

std::optional<SharedReadFile> SharedReadFile::open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return SharedReadFile(fd);
}

void SharedReadFile::close() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

bool SharedReadFile::seek(std::uint64_t offset) {
  return lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::optional<std::size_t> SharedReadFile::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t count = ::read(static_cast<int>(handle_), buffer, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) return std::nullopt;
  }
}

}  // namespace quillmar
