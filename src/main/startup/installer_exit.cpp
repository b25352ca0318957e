#include "main/startup/installer_exit.h"

#include "main/bridge/page_bridge.h"
#include "system/process_end.h"

namespace quillmar {

void end_installer(const PageBridge& bridge) {
  // Whatever the wait's answer, the process ends: a run that did not end in time
  // is abandoned, and the next start-up removes what it left.
  (void)bridge.wait_until_idle(kExitGrace);
  end_process_now(0);
}

}  // namespace quillmar
