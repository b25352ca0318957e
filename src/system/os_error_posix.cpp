#include "system/os_error.h"

#include <cerrno>
#include <cstring>

namespace quillmar {

std::string os_error_text(unsigned long code) {
  char buffer[256];
  // The GNU strerror_r may return a static string instead of filling the buffer.
  const char* message = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  return std::string(message) + " (os error " + std::to_string(code) + ")";
}

std::string last_os_error_text() {
  const int code = errno;
  if (code == 0) return "an unknown operating-system failure (os error 0)";
  return os_error_text(static_cast<unsigned long>(code));
}

}  // namespace quillmar
