#pragma once

// Owners of Windows handles, so that no early return leaks one. Included only by
// *_win.cpp files.

#include <windows.h>

#include <utility>

#include "system/platform_handle.h"

namespace quillmar {

// Windows' face of PlatformHandle: kernel handles.
inline HANDLE win_handle(const PlatformHandle& handle) { return reinterpret_cast<HANDLE>(handle.native()); }

// Takes ownership of HANDLE. Null and INVALID_HANDLE_VALUE both give an empty owner,
// because Windows functions disagree on which one they return on failure.
inline PlatformHandle own_handle(HANDLE handle) {
  return PlatformHandle(handle == nullptr ? PlatformHandle::kNone : reinterpret_cast<PlatformHandle::Native>(handle));
}

// A registry key closed with RegCloseKey.
class RegistryKeyHandle {
 public:
  RegistryKeyHandle() = default;
  RegistryKeyHandle(const RegistryKeyHandle&) = delete;
  RegistryKeyHandle& operator=(const RegistryKeyHandle&) = delete;
  ~RegistryKeyHandle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }

  HKEY get() const { return key_; }
  HKEY* receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace quillmar
