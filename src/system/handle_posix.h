#pragma once

// The host's face of PlatformHandle: file descriptors. Included only by *_posix.cpp
// files.

#include "system/platform_handle.h"

namespace quillmar {

inline int descriptor(const PlatformHandle& handle) { return static_cast<int>(handle.native()); }

// Takes ownership of FD; a negative FD (a failed open) gives an empty owner.
inline PlatformHandle own_descriptor(int fd) { return PlatformHandle(fd < 0 ? PlatformHandle::kNone : fd); }

}  // namespace quillmar
