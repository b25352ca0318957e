#pragma once

#include <chrono>

namespace quillmar {

class PageBridge;

// How long the installer waits on its way out for a run it has cancelled. A
// download sees the cancel flag within a second and then removes its folder; a
// setup package that is already running is not waited for.
inline constexpr std::chrono::milliseconds kExitGrace{3000};

// Ends the installer with exit code 0 once the bridge's worker, if any, has ended,
// or once kExitGrace has passed. The cancel flag must already be set.
[[noreturn]] void end_installer(const PageBridge& bridge);

}  // namespace quillmar
