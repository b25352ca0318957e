#include "system/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "system/handle_posix.h"
#include "system/os_error.h"

namespace quillmar {

Result<AppendFile> AppendFile::open(const Path& path) {
  PlatformHandle file = own_descriptor(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!file) return Error{last_os_error_text()};
  return AppendFile(std::move(file));
}

Result<void> AppendFile::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor(handle_), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Error{last_os_error_text()};
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

}  // namespace quillmar
