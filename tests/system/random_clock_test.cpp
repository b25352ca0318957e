#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "system/clock.h"
#include "system/random.h"

namespace quillmar {
namespace {

TEST(Nonce, IsFortyEightLowercaseHexDigitsAndFreshEachTime) {
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    const auto nonce = make_nonce();
    ASSERT_TRUE(nonce.ok()) << nonce.error().message;
    ASSERT_EQ(nonce.value().size(), 48u);
    EXPECT_EQ(nonce.value().find_first_not_of("0123456789abcdef"), std::string::npos) << nonce.value();
    seen.insert(nonce.value());
  }
  EXPECT_EQ(seen.size(), 64u);
}

TEST(Clock, AgreesWithTheStandardLibraryClock) {
  const auto before = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch()).count();
  const std::int64_t now = unix_seconds_now();
  const auto after = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace quillmar
