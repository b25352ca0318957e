#include "main/installer_window.h"

namespace quillmar {

// PENDING: the Win32 window with its WebView2 host is not built yet. Until it is,
// the Windows installer stops at this step with the fatal start-up message rather
// than running without a page; the headless host is the Windows build's way in.
Result<std::unique_ptr<InstallerWindow>> create_window() {
  return Error{"this build has no Windows window yet"};
}

}  // namespace quillmar
