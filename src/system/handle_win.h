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

// A kernel handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE mean
// "none", because Windows functions disagree on which one they return on failure.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(FileHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE handle = nullptr) {
    if (*this) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

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
