#include <windows.h>

#include "system/platform_handle.h"

namespace quillmar {

void PlatformHandle::close() {
  if (native_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(native_));
  native_ = kNone;
}

}  // namespace quillmar
