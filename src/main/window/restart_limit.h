#pragma once

#include <chrono>
#include <cstddef>
#include <deque>

namespace quillmar {

// How often the web view's processes are started again after they end: three times
// within any minute. A page or a runtime that ends again each time it starts would
// otherwise be restarted without end, the window flickering and the user given no
// way on; past the limit the installer says that the web view is lost instead.
class RestartLimit {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kRestarts = 3;
  static constexpr std::chrono::seconds kWindow{60};

  // Whether a restart at NOW stays within the limit; one that does is counted.
  bool allow(Clock::time_point now) {
    while (!recent_.empty() && now - recent_.front() >= kWindow) recent_.pop_front();
    if (recent_.size() >= kRestarts) return false;
    recent_.push_back(now);
    return true;
  }

 private:
  std::deque<Clock::time_point> recent_;
};

}  // namespace quillmar
