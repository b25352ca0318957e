#pragma once

#include <span>

#include "main/asset_table.h"

namespace quillmar {

// Runs the installer from start-up to the end of its event loop and returns the
// process exit code. The platform entry restricts DLL loading before calling it.
// ASSETS is the page the web view shows.
int run_installer(std::span<const Asset> assets);

}  // namespace quillmar
