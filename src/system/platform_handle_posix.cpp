#include <unistd.h>

#include "system/platform_handle.h"

namespace quillmar {

void PlatformHandle::close() {
  if (native_ != kNone) ::close(static_cast<int>(native_));
  native_ = kNone;
}

}  // namespace quillmar
