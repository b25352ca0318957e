#include <gtest/gtest.h>

#include "main/window_placement.h"

namespace quillmar {
namespace {

TEST(WindowPlacement, CentresTheClientSizeAndNeverGoesOffTheTopOrLeft) {
  const struct {
    double width, height;
    int x, y;
  } cases[] = {
      {1920 / 1.5, 1080 / 1.5, 380, 160},  // 1920 × 1080 at 150 %
      {1280, 800, 380, 200},
      {1365, 767, 422, 183},  // half pixels are dropped
      {520, 400, 0, 0},
      {480, 300, 0, 0},  // smaller than the window: pinned to the corner
  };
  for (const auto& c : cases) {
    const WindowPosition position = centred_window_position(c.width, c.height);
    EXPECT_EQ(position.x, c.x) << c.width << " x " << c.height;
    EXPECT_EQ(position.y, c.y) << c.width << " x " << c.height;
  }
}

}  // namespace
}  // namespace quillmar
