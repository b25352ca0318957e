#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "install/install_worker.h"

namespace quillmar {

// The setup package's task list for REQUEST: "desktopicon" and "startmenuicon" as
// chosen, joined with "," (empty when neither is chosen).
std::string setup_task_list(const InstallRequest& request);

// The ten switches, in the order the package expects them.
std::vector<std::string> setup_arguments(const InstallRequest& request, const std::filesystem::path& setup_log);

// How a setup run ended: the package's exit code, or the failure detail of an
// "install" failure (the log folder, the start, or polling went wrong).
struct SetupExit {
  std::int32_t code = 0;
};
struct SetupFailure {
  std::string detail;
};
using SetupOutcome = std::variant<SetupExit, SetupFailure>;

// Deletes the previous setup log, starts the package with the ten switches and
// polls it, sending an "install" progress event after every pass (with the curve
// while it runs, 100.0 once it has exited) and the running count of installed files
// from its log. There is no time limit and no cancellation: the package runs to
// its end.
SetupOutcome runSetup(const std::filesystem::path& package_file, const InstallRequest& request,
                      const std::filesystem::path& setup_log, const EventSender& send,
                      std::chrono::milliseconds poll_interval = kSetupPollInterval);

// The "install" progress event.
InstallerEvent setup_progress_event(double pct, std::uint64_t files);

}  // namespace quillmar
