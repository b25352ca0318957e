#include "system/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quillmar {

std::optional<AppendFile> AppendFile::open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return std::nullopt;
  return AppendFile(fd);
}

void AppendFile::close() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

bool AppendFile::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace quillmar
