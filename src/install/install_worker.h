#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "install/install_progress.h"
#include "server/release_client.h"
#include "system/disk_space.h"
#include "system/path.h"
#include "system/result.h"

namespace quillmar {

class InstallerLog;
class ReleaseClient;

// Time between polls of the running setup package; tests shorten it.
inline constexpr std::chrono::milliseconds kSetupPollInterval{400};

// One run as the page asked for it.
struct InstallRequest {
  std::string dir;  // exactly as the page sent it
  bool desktop_shortcut = false;
  bool start_menu = false;
  std::optional<std::string> version;  // none: the newest release
};

struct InstallSuccess {
  std::string dir;
  std::string version;  // the trimmed content of version.txt
};

// Why a run ended without an installed copy, with what the page and the log are
// told: a detail, the setup package's exit code, the setup log's path, each only
// where the step has one.
struct InstallFailure {
  enum class Reason { kInstallerLocation, kDisk, kDownload, kCancelled, kVerify, kInstall, kVerifyInstalled };
  Reason reason = Reason::kInstall;
  std::optional<std::string> detail;
  std::optional<std::int32_t> code;
  std::optional<std::string> log;

  bool operator==(const InstallFailure&) const = default;
};

using InstallOutcome = Result<InstallSuccess, InstallFailure>;

// Everything a run shares with the rest of the installer.
struct InstallContext {
  const ReleaseClient* client = nullptr;
  std::atomic<bool>* cancel = nullptr;
  InstallerLog* log = nullptr;
  ProgressSender send;

  // The bytes free to the user at the nearest existing folder of a path. Tests give
  // their own figures here; the installer uses the system's.
  std::function<std::optional<std::uint64_t>(const Path&)> free_bytes = free_bytes_near;

  // The package request, verified and accepted, for the chosen version; the error
  // text is the release error's diagnostic rendering. The installer asks the release
  // client with the verifier; tests give scripted answers.
  std::function<Result<Package>(const std::optional<std::string>&)> request_package;

  // How often the running setup package is polled.
  std::chrono::milliseconds setup_poll_interval = kSetupPollInterval;
};

// The whole install: location and space checks, package answer, download and
// verification, silent setup run, post-install checks, every collaborator taken
// from CONTEXT. Blocking. Never throws: should a library throw anyway, the run ends
// as failed with the reason of the stage it interrupted.
InstallOutcome runInstall(const InstallRequest& request, const InstallContext& context);

}  // namespace quillmar
