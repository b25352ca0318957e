#pragma once

#include <functional>

#include "main/bridge/page_bridge.h"
#include "main/bridge/user_events.h"

namespace quillmar {

enum class LoopStep { kWait, kExit };

// The part of the event loop's handler that every host shares: close ends the loop
// (after setting the cancel flag), a deliver-to-page event goes to the page through
// DELIVER, a page message goes to the bridge. Event loop thread only.
inline LoopStep handle_user_event(UserEvent& event, PageBridge& bridge,
                                  const std::function<void(const InstallerEvent&)>& deliver) {
  switch (event.kind) {
    case UserEvent::Kind::kClose:
      bridge.set_cancel();
      return LoopStep::kExit;
    case UserEvent::Kind::kDeliverToPage:
      deliver(event.event);
      return LoopStep::kWait;
    case UserEvent::Kind::kPageMessage:
      bridge.dispatch(event.text);
      return LoopStep::kWait;
    case UserEvent::Kind::kPageReloaded:
      bridge.page_reloaded();
      return LoopStep::kWait;
  }
  return LoopStep::kWait;
}

}  // namespace quillmar
