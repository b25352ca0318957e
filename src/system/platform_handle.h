#pragma once

#include <cstdint>
#include <utility>

namespace quillmar {

// The one owner of an operating-system handle: a file descriptor on the host, a
// kernel HANDLE on Windows, closed when the owner goes away, so that no early return
// leaks one. Movable, not copyable. The platform files read and make it through
// handle_posix.h and handle_win.h.
class PlatformHandle {
 public:
  using Native = std::intptr_t;
  static constexpr Native kNone = -1;  // also INVALID_HANDLE_VALUE on Windows

  PlatformHandle() = default;
  explicit PlatformHandle(Native native) : native_(native) {}
  PlatformHandle(PlatformHandle&& other) noexcept : native_(std::exchange(other.native_, kNone)) {}
  PlatformHandle& operator=(PlatformHandle&& other) noexcept {
    if (this != &other) {
      close();
      native_ = std::exchange(other.native_, kNone);
    }
    return *this;
  }
  PlatformHandle(const PlatformHandle&) = delete;
  PlatformHandle& operator=(const PlatformHandle&) = delete;
  ~PlatformHandle() { close(); }

  explicit operator bool() const { return native_ != kNone; }
  Native native() const { return native_; }
  // Closes the handle now; the owner then holds none.
  void close();

 private:
  Native native_ = kNone;
};

}  // namespace quillmar
