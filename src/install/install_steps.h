#pragma once

#include "install/install_worker.h"

namespace quillmar {

// The worker's fixed sequence, with every collaborator taken from CONTEXT:
// context.request_package and context.client must be set. runInstall fills in the
// package request from the release client and calls this. Never throws: should a
// library throw anyway, the run ends as failed with the reason of the stage it
// interrupted.
InstallOutcome run_install_steps(const InstallRequest& request, const InstallContext& context);

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
