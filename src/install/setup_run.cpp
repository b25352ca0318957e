#include "install/setup_run.h"

#include <cmath>
#include <thread>

#include "install/child_process.h"
#include "install/setup_log.h"
#include "system/file_system.h"
#include "system/paths.h"

namespace quillmar {

std::string setup_task_list(const InstallRequest& request) {
  std::string tasks;
  if (request.desktop_shortcut) tasks = "desktopicon";
  if (request.start_menu) tasks += tasks.empty() ? "startmenuicon" : ",startmenuicon";
  return tasks;
}

std::vector<std::string> setup_arguments(const InstallRequest& request, const Path& setup_log) {
  return {"/SP-",
          "/VERYSILENT",
          "/SUPPRESSMSGBOXES",
          "/NORESTART",
          "/CLOSEAPPLICATIONS",
          "/CURRENTUSER",
          "/SKIPBROWSERSETUP",
          "/DIR=" + request.dir,
          "/TASKS=" + setup_task_list(request),
          "/LOG=" + path_to_text(setup_log)};
}

Result<std::int32_t> runSetup(const Path& package_file, const InstallRequest& request, const Path& setup_log,
                              const ProgressSender& send, std::chrono::milliseconds poll_interval) {
  QUILLMAR_TRY(create_folder_tree(setup_log.parent_path()));
  // Each run starts the log afresh, so its lines count only this run's files.
  remove_file(setup_log);

  auto child = ChildProcess::start(package_file, setup_arguments(request, setup_log));
  if (!child) return Error{"the Setup could not start: " + child.error().message};
  const auto started = std::chrono::steady_clock::now();

  std::uint64_t offset = 0;
  std::uint64_t files = 0;
  for (;;) {
    const std::optional<std::int32_t> exited = QUILLMAR_TRY(child.value().poll());
    files += scanSetupLog(setup_log, offset);
    if (exited) {
      send(SetupProgress{100.0, files});
      return *exited;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    send(SetupProgress{setup_progress_pct(elapsed.count()), files});
    std::this_thread::sleep_for(poll_interval);
  }
}

double setup_progress_pct(double seconds) { return 95.0 * (1.0 - std::exp(-seconds / 25.0)); }

}  // namespace quillmar
