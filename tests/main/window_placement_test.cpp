#include <gtest/gtest.h>

#include "main/window/window_placement.h"

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

TEST(WindowPlacement, ScalesPositionAndClientAreaByTheMonitorsFactor) {
  const struct {
    int width, height;
    double scale;
    int logical_x, logical_y, x, y, client_width, client_height;
  } cases[] = {
      {1920, 1080, 1.5, 380, 160, 570, 240, 780, 600},
      {1920, 1080, 1.25, 508, 232, 635, 290, 650, 500},
      {1920, 1080, 1.0, 700, 340, 700, 340, 520, 400},
      {640, 480, 2.0, 0, 0, 0, 0, 1040, 800},  // smaller than the window: pinned to the corner
  };
  for (const auto& c : cases) {
    const WindowLayout layout = window_layout_on_monitor(c.width, c.height, c.scale);
    EXPECT_EQ(layout.logical.x, c.logical_x) << c.width << " x " << c.height << " at " << c.scale;
    EXPECT_EQ(layout.logical.y, c.logical_y) << c.width << " x " << c.height << " at " << c.scale;
    EXPECT_EQ(layout.physical.x, c.x) << c.width << " x " << c.height << " at " << c.scale;
    EXPECT_EQ(layout.physical.y, c.y) << c.width << " x " << c.height << " at " << c.scale;
    EXPECT_EQ(layout.client_width, c.client_width) << c.scale;
    EXPECT_EQ(layout.client_height, c.client_height) << c.scale;
  }
}

}  // namespace
}  // namespace quillmar
