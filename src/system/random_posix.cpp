#include <sys/random.h>

#include <cerrno>

#include "system/os_error.h"
#include "system/random.h"

namespace quillmar {

Result<void> random_bytes(std::uint8_t* buffer, std::size_t size) {
  while (size > 0) {
    const ssize_t count = getrandom(buffer, size, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return Error{last_os_error_text()};
    buffer += count;
    size -= static_cast<std::size_t>(count);
  }
  return {};
}

}  // namespace quillmar
