#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "install/install_steps.h"
#include "install/install_values.h"
#include "install/release_double.h"
#include "support/scratch.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/sha256.h"
#include "system/standard_path.h"

namespace quillmar::testing {

// One worker run with scripted collaborators: the package answer, the download
// body and the free space are the test's; the temporary folder, the log folder and
// the installer log live in a scratch folder, so the test can see what a run left.
class WorkerRun : public ::testing::Test {
 protected:
  WorkerRun()
      : tmpdir_("TMPDIR", scratch_.path() / "tmp"),
        tmp_("TMP", scratch_.path() / "tmp"),
        temp_("TEMP", scratch_.path() / "tmp"),
        local_("LOCALAPPDATA", scratch_.path() / "Local") {
    std::filesystem::create_directories(scratch_.path() / "tmp");
    log_ = InstallerLog::open_in(Path(scratch_.path() / "logs"));
    context_.client = &client_;
    context_.cancel = &cancel_;
    context_.log = log_.get();
    context_.send = [this](const InstallProgress& progress) {
      events_.push_back(progress);
      if (on_event) on_event(progress);
    };
    context_.free_bytes = [this](const Path& path) {
      free_bytes_asked_ = standard_path(path);
      return free_bytes_;
    };
    context_.request_package = [this](const std::optional<std::string>& version) -> Result<Package> {
      ++package_requests_;
      requested_version_ = version;
      if (package_error_) return Error{*package_error_};
      return package_;
    };
    context_.setup_poll_interval = std::chrono::milliseconds(50);
  }

  // Serves BODY as the package, announced with BODY's own size and digest.
  void serve(const std::string& body, int status = 200) {
    package_ = {"1.5.13", "quillmar-setup-1.5.13.exe", body.size(), to_hex(sha256_of(body)),
                "https://localhost:47443/api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe"};
    serve_chunks({body}, status);
  }
  void serve_chunks(std::vector<std::string> chunks, int status = 200) {
    client_.next_stream = std::make_unique<ScriptedStream>(status, std::move(chunks));
  }

  InstallOutcome run(const InstallRequest& request) { return runInstall(request, context_); }

  // The failure a run ended with; none when it succeeded.
  static std::optional<InstallFailure> failure_of(const InstallOutcome& outcome) {
    if (outcome) return std::nullopt;
    return outcome.error();
  }
  // The failure of a step that tells only a detail: every step before the setup run.
  static InstallFailure failure_with_detail(InstallFailure::Reason reason, std::string detail) {
    InstallFailure failure;
    failure.reason = reason;
    failure.detail = std::move(detail);
    return failure;
  }
  static std::string failure_text(const InstallOutcome& outcome) {
    return ::testing::PrintToString(failure_of(outcome));
  }

  std::string installer_log() const { return read_file(scratch_.path() / "logs" / "installer.log"); }

  // What the runs left in the temporary folder: nothing, when every download
  // folder was removed.
  std::vector<std::string> temp_leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path() / "tmp")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string setup_log_text() const { return path_to_text(Path(scratch_.path() / "Local" / "Quillmar" / "Logs" / "installer-setup.log")); }

  ScratchFolder scratch_;
  ScopedVariable tmpdir_, tmp_, temp_, local_;
  std::shared_ptr<InstallerLog> log_;
  ScriptedClient client_;
  std::atomic<bool> cancel_{false};
  InstallContext context_;
  std::vector<InstallProgress> events_;
  std::function<void(const InstallProgress&)> on_event;
  std::optional<std::uint64_t> free_bytes_ = std::uint64_t{1} << 40;
  std::filesystem::path free_bytes_asked_;
  Package package_;
  std::optional<std::string> package_error_;
  int package_requests_ = 0;
  std::optional<std::string> requested_version_;
};

}  // namespace quillmar::testing
