#include "install/install_steps.h"

#include <exception>

#include "install/canonical_path.h"
#include "install/code_signature.h"
#include "install/download.h"
#include "install/download_folder.h"
#include "install/post_install.h"
#include "install/setup_run.h"
#include "system/file_system.h"
#include "system/installer_log.h"
#include "system/os_error.h"
#include "system/paths.h"
#include "system/product.h"
#include "system/text.h"

namespace quillmar {
namespace {

using Reason = InstallFailure::Reason;

// A failure with a detail the page shows, possibly empty.
InstallFailure failure(Reason reason, std::string detail) { return {reason, std::move(detail), {}, {}}; }

}  // namespace

std::string package_log_line(const Package& package) {
  return "package " + package.version + " " + package.filename + " (" + std::to_string(package.size_bytes) +
         " bytes)";
}

Result<void, InstallFailure> check_installer_location(const Path& dir) {
  if (dir.empty() || !path_exists(dir)) return {};
  auto folder = canonical_path(dir);
  if (!folder) return failure(Reason::kInstall, folder.error().message);
  const auto own = own_executable_path();
  if (!own) return failure(Reason::kInstall, last_os_error_text());
  auto executable = canonical_path(*own);
  if (!executable) return failure(Reason::kInstall, executable.error().message);
  if (executable.value().is_within(folder.value())) {
    return failure(Reason::kInstallerLocation, "");
  }
  return {};
}

namespace {

// The failure reason of the stage a run has reached, kept up to date by the steps.
struct InstallStage {
  Reason reason = Reason::kInstall;
};

InstallOutcome run_steps(const InstallRequest& request, const InstallContext& context, InstallStage& stage) {
  const Path dir = path_from_text(request.dir);
  const ProgressSender& send = context.send;

  // Where and how much: nothing is requested or written before these pass.
  QUILLMAR_TRY(check_installer_location(dir));
  if (const auto free = context.free_bytes(dir); free && *free < kRequiredBytes) return failure(Reason::kDisk, "");

  // The signed package answer.
  stage.reason = Reason::kDownload;
  auto answer = context.request_package(request.version);
  if (!answer) return failure(Reason::kDownload, answer.error().message);
  const Package& package = answer.value();
  context.log->write_log(package_log_line(package));
  send(DownloadStarted{package.version, package.size_bytes});

  // From here on the folder owner removes the download folder at every
  // ending, successful or not.
  auto folder = DownloadFolder::create();
  if (!folder) return failure(Reason::kDownload, folder.error().message);
  const Path package_file = folder.value().path() / path_from_text(package.filename);

  // The download: the only stage that honours the cancel flag.
  if (const auto download = downloadPackage(package, *context.client, package_file, *context.cancel, send); !download) {
    return download.error().cancelled ? failure(Reason::kCancelled, "")
                                      : failure(Reason::kDownload, download.error().message);
  }

  // The package's code signature.
  stage.reason = Reason::kVerify;
  send(StepReached{StepReached::Step::kVerify});
  if (const auto signature = verifyCodeSignature(package_file); !signature) {
    return failure(Reason::kVerify,
                   "the package's signature does not verify (" + hex_code_text(signature.error()) + ")");
  }

  // The silent setup run.
  stage.reason = Reason::kInstall;
  const Path setup_log = logs_folder() / path_from_text("installer-setup.log");
  const std::string setup_log_text = path_to_text(setup_log);
  const auto setup = runSetup(package_file, request, setup_log, send, context.setup_poll_interval);
  if (!setup) return failure(Reason::kInstall, setup.error().message);
  if (const std::int32_t code = setup.value(); code != 0) {
    return InstallFailure{Reason::kInstall, std::nullopt, code, setup_log_text};
  }

  // The installed copy: its version record, then its own integrity check.
  auto installed = checkVersionRecord(dir, package.version);
  if (!installed) {
    return InstallFailure{Reason::kInstall, installed.error().message, std::nullopt, setup_log_text};
  }
  if (auto intact = runIntegrityCheck(dir); !intact) {
    context.log->write_log("installed release verification failed: " + intact.error().message);
    return InstallFailure{Reason::kVerifyInstalled, std::nullopt, std::nullopt, setup_log_text};
  }

  // Done; the folder owner removes the download folder on return.
  send(StepReached{StepReached::Step::kShortcuts});
  return InstallSuccess{request.dir, installed.value()};
}

}  // namespace

InstallOutcome runInstall(const InstallRequest& request, const InstallContext& context) {
  // Nothing here is meant to throw; should a library do so anyway, the run still
  // ends with one outcome rather than taking the installer down.
  InstallStage stage;
  try {
    return run_steps(request, context, stage);
  } catch (const std::exception& error) {
    return failure(stage.reason, std::string("unexpected failure: ") + error.what());
  } catch (...) {
    return failure(stage.reason, "unexpected failure");
  }
}

}  // namespace quillmar
