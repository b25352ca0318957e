#pragma once

#include <span>

#include "main/bridge/asset_table.h"
#include "main/startup/installer_session.h"

namespace quillmar {

// Runs the installer from start-up to the end of its event loop and returns the
// process exit code. The platform entry restricts DLL loading before calling it.
// ASSETS is the page the web view shows; MAKE_WORKERS makes the workers behind its
// bridge.
int run_installer(std::span<const Asset> assets, const WorkersFactory& make_workers = installer_workers);

}  // namespace quillmar
