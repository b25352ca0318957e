#include <ctime>

#include "system/clock.h"

namespace quillmar {

std::int64_t unix_seconds_now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec);
}

}  // namespace quillmar
