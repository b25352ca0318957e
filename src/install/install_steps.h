#pragma once

#include "install/install_worker.h"

namespace quillmar {

// A "failed" event: reason, and detail, code and log only where given.
InstallerEvent failed_event(const std::string& reason, const std::optional<std::string>& detail,
                            const std::optional<std::int32_t>& code = std::nullopt,
                            const std::optional<std::string>& log = std::nullopt);

// The log line of an accepted package answer: "package {version} {filename} ({size} bytes)".
std::string package_log_line(const Package& package);

// The location check: the failed event when the running installer lies inside the
// existing folder DIR; success when DIR does not exist or holds no installer.
Result<void, InstallerEvent> check_installer_location(const Path& dir);

}  // namespace quillmar
