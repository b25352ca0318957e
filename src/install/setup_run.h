#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "install/install_worker.h"
#include "system/path.h"

namespace quillmar {

// The setup package's task list for REQUEST: "desktopicon" and "startmenuicon" as
// chosen, joined with "," (empty when neither is chosen).
std::string setup_task_list(const InstallRequest& request);

// The ten switches, in the order the package expects them.
std::vector<std::string> setup_arguments(const InstallRequest& request, const Path& setup_log);

// Deletes the previous setup log, starts the package with the ten switches and
// polls it, sending the setup's progress after every pass (with the curve
// while it runs, 100.0 once it has exited) and the running count of installed files
// from its log. There is no time limit and no cancellation: the package runs to
// its end. The package's exit code, or the detail of an "install" failure when the
// log folder, the start or the polling went wrong.
Result<std::int32_t> runSetup(const Path& package_file, const InstallRequest& request, const Path& setup_log,
                              const ProgressSender& send, std::chrono::milliseconds poll_interval = kSetupPollInterval);

// The bar while the setup package runs: 95 × (1 − e^(−t/25)) for T seconds since it
// started. It approaches 95 and never reaches it, leaving the jump to 100 for the
// moment the package exits.
double setup_progress_pct(double seconds);

}  // namespace quillmar
