#include "main/bridge/page_events.h"

#include "system/json_text.h"
#include "system/paths.h"
#include "system/product.h"

namespace quillmar {
namespace {

// The page is told less than the log: why the server gave no usable answer, not how.
const char* preflight_reason_word(ReleaseError::Kind kind) {
  switch (kind) {
    case ReleaseError::Kind::kUnavailable:
      return "unavailable";
    case ReleaseError::Kind::kNetwork:
      return "network";
    case ReleaseError::Kind::kServer:
    case ReleaseError::Kind::kUntrusted:
      return "server";
  }
  return "network";
}

const char* failure_reason_word(InstallFailure::Reason reason) {
  using Reason = InstallFailure::Reason;
  switch (reason) {
    case Reason::kInstallerLocation:
      return "installerLocation";
    case Reason::kDisk:
      return "disk";
    case Reason::kDownload:
      return "download";
    case Reason::kCancelled:
      return "cancelled";
    case Reason::kVerify:
      return "verify";
    case Reason::kInstall:
      return "install";
    case Reason::kVerifyInstalled:
      return "verifyInstalled";
  }
  return "install";
}

// Each phase's numbers keep the type the page has always been given: a whole 0 or
// 100 where the step knows no fraction, a fraction where the bar moves by one.
struct ProgressWording {
  InstallerEvent operator()(const DownloadStarted& started) const {
    return {{"type", "progress"},
            {"phase", "download"},
            {"pct", 0},
            {"downloaded", 0},
            {"total", started.total},
            {"version", started.version}};
  }
  InstallerEvent operator()(const DownloadProgress& progress) const {
    return {{"type", "progress"},
            {"phase", "download"},
            {"pct", static_cast<double>(progress.downloaded) * 100.0 / static_cast<double>(progress.total)},
            {"downloaded", progress.downloaded},
            {"total", progress.total}};
  }
  InstallerEvent operator()(const SetupProgress& progress) const {
    return {{"type", "progress"}, {"phase", "install"}, {"pct", progress.pct}, {"files", progress.files}};
  }
  InstallerEvent operator()(const StepReached& reached) const {
    const char* phase = reached.step == StepReached::Step::kVerify ? "verify" : "shortcuts";
    return {{"type", "progress"}, {"phase", phase}, {"pct", 100}};
  }
};

// The entries keep the catalogue's order; "published_at" is the server's own name,
// carried over as the page has always been given it.
InstallerEvent release_list_json(const ReleaseList& releases) {
  InstallerEvent list = InstallerEvent::array();
  for (const ReleaseEntry& release : releases) {
    list.push_back({{"version", release.version}, {"published_at", release.published_at}, {"newest", release.newest}});
  }
  return list;
}

}  // namespace

InstallerEvent preflight_event(const ReleaseResult<ReleaseList>& catalogue) {
  if (catalogue) return {{"type", "preflight"}, {"ok", true}, {"releases", release_list_json(catalogue.value())}};
  const ReleaseError& error = catalogue.error();
  InstallerEvent status = nullptr;
  if (error.kind == ReleaseError::Kind::kServer) status = error.status;
  return {{"type", "preflight"}, {"ok", false}, {"reason", preflight_reason_word(error.kind)}, {"status", status}};
}

InstallerEvent folder_event(const Path& dir, const std::optional<std::uint64_t>& free_bytes) {
  InstallerEvent event = {{"type", "folder"}, {"dir", path_to_text(dir)}, {"freeBytes", nullptr}};
  if (free_bytes) event["freeBytes"] = *free_bytes;
  return event;
}

InstallerEvent progress_event(const InstallProgress& progress) { return std::visit(ProgressWording{}, progress); }

InstallerEvent installed_event(const InstallSuccess& success) {
  return {{"type", "installed"}, {"dir", success.dir}, {"version", success.version}};
}

InstallerEvent failed_event(const InstallFailure& failure) {
  InstallerEvent event = {{"type", "failed"}, {"reason", failure_reason_word(failure.reason)}};
  if (failure.detail) event["detail"] = *failure.detail;
  if (failure.code) event["code"] = *failure.code;
  if (failure.log) event["log"] = *failure.log;
  return event;
}

std::string environment_json(const InstallerEnvironment& environment) {
  nlohmann::json json = nlohmann::json::object();
  json["dir"] = path_to_text(environment.dir);
  json["installed"] = nullptr;
  if (environment.installed) {
    json["installed"] = {{"dir", path_to_text(environment.installed->dir)},
                         {"version", environment.installed->version}};
  }
  json["mode"] = "install";
  json["platform"] = "windows";
  json["requestedVersion"] = nullptr;
  if (environment.requested_version) json["requestedVersion"] = *environment.requested_version;
  json["requiredBytes"] = kRequiredBytes;
  return compact_json(json);
}

std::string event_delivery_script(const InstallerEvent& event) {
  return "window.quillmarInstallerEvent(" + compact_json(event) + ")";
}

}  // namespace quillmar
