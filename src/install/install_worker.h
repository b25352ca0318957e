#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "system/installer_event.h"

namespace quillmar {

class InstallerLog;
class ReleaseClient;
class SignatureVerifier;

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

// Success, or the complete "failed" event ({type, reason, detail?, code?, log?}).
using InstallOutcome = std::variant<InstallSuccess, InstallerEvent>;

// Everything a run shares with the rest of the installer.
struct InstallContext {
  const ReleaseClient* client = nullptr;
  const SignatureVerifier* verifier = nullptr;
  std::atomic<bool>* cancel = nullptr;
  InstallerLog* log = nullptr;
  EventSender send;
};

// The whole install: location and space checks, package answer, download and
// verification, silent setup run, post-install checks. Blocking; never throws.
InstallOutcome runInstall(const InstallRequest& request, const InstallContext& context);

// Starts the installed application from FOLDER, detached, with no arguments; a
// failure is written to LOG as "launch failed: ...".
void launchInstalled(const std::filesystem::path& folder, InstallerLog& log);

}  // namespace quillmar
