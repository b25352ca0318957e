#pragma once

#include <cmath>

namespace quillmar {

// The installer window's client area in logical (device-independent) pixels.
inline constexpr int kWindowWidth = 520;
inline constexpr int kWindowHeight = 400;

struct WindowPosition {
  int x = 0;
  int y = 0;
};

// Where the window's outer top-left corner goes on the primary monitor, given the
// monitor's size in logical pixels: centred by the client size, never off the
// monitor's top or left edge. The frame is not subtracted, so the client area sits
// slightly right of and below the exact centre.
inline WindowPosition centred_window_position(double logical_width, double logical_height) {
  const double x = (logical_width - kWindowWidth) * 0.5;
  const double y = (logical_height - kWindowHeight) * 0.5;
  return {x < 0 ? 0 : static_cast<int>(x), y < 0 ? 0 : static_cast<int>(y)};
}

// The window on a monitor whose size the system reports in physical pixels (as it
// does to a per-monitor aware program) at SCALE (1.5 at 150 %): where the outer
// top-left corner goes, in logical and in physical pixels from the monitor's origin,
// and the client area's physical size.
struct WindowLayout {
  WindowPosition logical;
  WindowPosition physical;
  int client_width = 0;
  int client_height = 0;
};

inline WindowLayout window_layout_on_monitor(int physical_width, int physical_height, double scale) {
  WindowLayout layout;
  layout.logical = centred_window_position(physical_width / scale, physical_height / scale);
  layout.physical = {static_cast<int>(std::lround(layout.logical.x * scale)),
                     static_cast<int>(std::lround(layout.logical.y * scale))};
  layout.client_width = static_cast<int>(std::lround(kWindowWidth * scale));
  layout.client_height = static_cast<int>(std::lround(kWindowHeight * scale));
  return layout;
}

}  // namespace quillmar
