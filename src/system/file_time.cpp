#include "system/file_time.h"

#include <ratio>

namespace quillmar {

std::chrono::system_clock::time_point time_from_file_time_steps(std::uint64_t steps) {
  using Clock = std::chrono::system_clock;
  using Steps = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
  // The clock's span measured in steps is only exact when the clock is as fine as a
  // step or finer, as it is on both builds.
  static_assert(std::ratio_less_equal_v<Clock::period, Steps::period>);
  constexpr std::uint64_t kSteps1601To1970 = 116'444'736'000'000'000ULL;
  constexpr auto kLatest = static_cast<std::uint64_t>(std::chrono::duration_cast<Steps>(Clock::duration::max()).count());
  constexpr auto kEarliest =
      static_cast<std::uint64_t>(-std::chrono::duration_cast<Steps>(Clock::duration::min()).count());
  if (steps >= kSteps1601To1970) {
    const std::uint64_t after = steps - kSteps1601To1970;
    if (after > kLatest) return Clock::time_point::max();
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(Steps(static_cast<std::int64_t>(after))));
  }
  const std::uint64_t before = kSteps1601To1970 - steps;
  if (before > kEarliest) return Clock::time_point::min();
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(-Steps(static_cast<std::int64_t>(before))));
}

}  // namespace quillmar
