#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "system/file_time.h"

namespace quillmar {
namespace {

using std::chrono::system_clock;

// A file may carry any time from 1601 to 30828; the clock spans about 1677 to 2262.
TEST(FileTime, ConvertsInsideTheClocksSpanAndStopsAtItsEnds) {
  constexpr std::uint64_t k1970 = 116'444'736'000'000'000ULL;
  constexpr std::uint64_t kStepsPerSecond = 10'000'000;
  const struct {
    std::uint64_t steps;
    system_clock::time_point expected;
  } cases[] = {
      {k1970, system_clock::time_point()},
      // 2024-01-01 00:00:00.0000001 and 1900-01-01 UTC, both exact.
      {k1970 + 1'704'067'200ULL * kStepsPerSecond + 1,
       system_clock::time_point(std::chrono::seconds(1'704'067'200) + std::chrono::nanoseconds(100))},
      {k1970 - 2'208'988'800ULL * kStepsPerSecond, system_clock::time_point(std::chrono::seconds(-2'208'988'800))},
      // 1601-01-01 and 2500-01-01: before and after the span.
      {0, system_clock::time_point::min()},
      {k1970 + 16'725'225'600ULL * kStepsPerSecond, system_clock::time_point::max()},
      {UINT64_MAX, system_clock::time_point::max()},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(time_from_file_time_steps(row.steps), row.expected) << row.steps;
  }
}

}  // namespace
}  // namespace quillmar
