#include <windows.h>

#include "system/clock.h"

namespace quillmar {

std::int64_t unix_seconds_now() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  // FILETIME counts 100-nanosecond ticks since 1601-01-01; floor division keeps
  // instants before 1970 rounded down as well.
  constexpr std::int64_t kTicksPerSecond = 10'000'000;
  constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
  std::int64_t seconds = ticks / kTicksPerSecond;
  if (ticks % kTicksPerSecond < 0) --seconds;
  return seconds - kSecondsFrom1601To1970;
}

}  // namespace quillmar
