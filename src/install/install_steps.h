#pragma once

#include "install/install_worker.h"

namespace quillmar {

// The log line of an accepted package answer: "package {version} {filename} ({size} bytes)".
std::string package_log_line(const Package& package);

// The location check: a failure when the running installer lies inside the
// existing folder DIR; success when DIR does not exist or holds no installer.
Result<void, InstallFailure> check_installer_location(const Path& dir);

}  // namespace quillmar
