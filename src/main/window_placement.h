#pragma once

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

}  // namespace quillmar
