#include "install/install_steps.h"

#include <cstdio>
#include <system_error>

#include "install/canonical_path.h"
#include "install/code_signature.h"
#include "install/download.h"
#include "install/install_text.h"
#include "install/post_install.h"
#include "install/setup_run.h"
#include "system/installer_log.h"
#include "system/os_error.h"
#include "system/paths.h"

namespace quillmar {
namespace {

// 1.5 GiB: the same figure the page is given as requiredBytes.
constexpr std::uint64_t kRequiredFreeBytes = 1610612736;

InstallerEvent progress(const char* phase, int pct) {
  return {{"type", "progress"}, {"phase", phase}, {"pct", pct}};
}

std::string status_hex(std::uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(status));
  return text;
}

}  // namespace

InstallerEvent failed_event(const std::string& reason, const std::optional<std::string>& detail,
                            const std::optional<std::int32_t>& code, const std::optional<std::string>& log) {
  InstallerEvent event = {{"type", "failed"}, {"reason", reason}};
  if (detail) event["detail"] = *detail;
  if (code) event["code"] = *code;
  if (log) event["log"] = *log;
  return event;
}

std::string package_log_line(const Package& package) {
  return "package " + package.version + " " + package.filename + " (" + std::to_string(package.size_bytes) +
         " bytes)";
}

std::optional<InstallerEvent> check_installer_location(const std::filesystem::path& dir) {
  std::error_code error;
  if (dir.empty() || !std::filesystem::exists(dir, error)) return std::nullopt;
  auto folder = canonical_path(dir);
  if (!folder) return failed_event("install", folder.error().message);
  const auto own = own_executable_path();
  if (!own) return failed_event("install", last_os_error_text());
  auto executable = canonical_path(*own);
  if (!executable) return failed_event("install", executable.error().message);
  if (is_within_folder(path_to_text(executable.value()), path_to_text(folder.value()), native_path_style())) {
    return failed_event("installerLocation", "");
  }
  return std::nullopt;
}

InstallOutcome run_install_steps(const InstallRequest& request, const InstallContext& context) {
  const std::filesystem::path dir = path_from_text(request.dir);
  const EventSender& send = context.send;

  // Steps 1 and 2: nothing is requested or written before these pass.
  if (auto refused = check_installer_location(dir)) return *refused;
  if (const auto free = context.free_bytes(dir); free && *free < kRequiredFreeBytes) return failed_event("disk", "");

  // Steps 3 to 5: the signed package answer.
  auto answer = context.request_package(request.version);
  if (!answer) return failed_event("download", answer.error().message);
  const Package& package = answer.value();
  context.log->write_log(package_log_line(package));
  send({{"type", "progress"},
        {"phase", "download"},
        {"pct", 0},
        {"downloaded", 0},
        {"total", package.size_bytes},
        {"version", package.version}});

  // Step 6. From here on the folder owner removes the download folder at every
  // ending, successful or not.
  auto folder = DownloadFolder::create();
  if (!folder) return failed_event("download", folder.error().message);
  const std::filesystem::path package_file = folder.value().path() / path_from_text(package.filename);

  // Step 7: the only stage that honours the cancel flag.
  const DownloadResult download = downloadPackage(package, *context.client, package_file, *context.cancel, send);
  if (download.end == DownloadResult::End::kCancelled) return failed_event("cancelled", "");
  if (download.end == DownloadResult::End::kFailed) return failed_event("download", download.message);

  // Steps 8 and 9.
  send(progress("verify", 100));
  if (const auto refused = verifyCodeSignature(package_file)) {
    return failed_event("verify", "the package's signature does not verify (0x" + status_hex(*refused) + ")");
  }

  // Step 10.
  const std::filesystem::path setup_log = logs_folder() / path_from_text("installer-setup.log");
  const std::string setup_log_text = path_to_text(setup_log);
  const SetupOutcome setup = runSetup(package_file, request, setup_log, send, context.setup_poll_interval);
  if (const auto* failure = std::get_if<SetupFailure>(&setup)) return failed_event("install", failure->detail);
  if (const std::int32_t code = std::get<SetupExit>(setup).code; code != 0) {
    return failed_event("install", std::nullopt, code, setup_log_text);
  }

  // Steps 11 and 12.
  auto installed = checkVersionRecord(dir, package.version);
  if (!installed) return failed_event("install", installed.error().message, std::nullopt, setup_log_text);
  if (auto intact = runIntegrityCheck(dir); !intact) {
    context.log->write_log("installed release verification failed: " + intact.error().message);
    return failed_event("verifyInstalled", std::nullopt, std::nullopt, setup_log_text);
  }

  // Steps 13 and 14; the folder owner removes the download folder on return.
  send(progress("shortcuts", 100));
  return InstallSuccess{request.dir, installed.value()};
}

}  // namespace quillmar
