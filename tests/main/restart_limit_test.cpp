#include <gtest/gtest.h>

#include "main/window/restart_limit.h"

namespace quillmar {
namespace {

TEST(RestartLimit, AllowsThreeRestartsWithinAnyMinute) {
  using std::chrono::seconds;
  const RestartLimit::Clock::time_point start{};
  const struct {
    seconds at;
    bool allowed;
  } restarts[] = {
      {seconds(0), true},   {seconds(10), true}, {seconds(20), true},
      {seconds(59), false},  // the fourth within a minute of the first
      {seconds(60), true},   // the first has left the minute
      {seconds(61), false},  // 10, 20 and 60 are within its minute
      {seconds(200), true},
  };
  RestartLimit limit;
  for (const auto& restart : restarts) {
    EXPECT_EQ(limit.allow(start + restart.at), restart.allowed) << restart.at.count() << " s";
  }
}

}  // namespace
}  // namespace quillmar
