#include "main/bridge/page_bridge.h"

#include <thread>
#include <utility>

#include "main/bridge/folder_choice.h"
#include "main/bridge/page_message.h"
#include "server/release_parts.h"
#include "system/installer_log.h"
#include "system/json_text.h"
#include "system/paths.h"

namespace quillmar {
namespace {

// The page names folders in text, and the worker hands the page's text back as the
// installed folder; the bridge reads that text as a path here and nowhere else.
Path folder_from_page_text(const std::string& text) { return path_from_text(text); }

// What an "install" message asks of the worker. The dock choice stays behind: it has
// no effect on this platform.
InstallRequest install_request_from(const PageMessage& message) {
  return {.dir = message.dir,
          .desktop_shortcut = message.desktop_shortcut,
          .start_menu = message.start_menu,
          .version = message.version};
}

}  // namespace

PageBridge::PageBridge(BridgeHost host, BridgeWorkers workers, std::shared_ptr<InstallerLog> log)
    : shared_(std::make_shared<Shared>()) {
  shared_->host = std::move(host);
  shared_->workers = std::move(workers);
  shared_->log = log ? std::move(log) : InstallerLog::without_file();
}

bool PageBridge::busy() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->busy;
}

bool PageBridge::wait_until_idle(std::chrono::milliseconds limit) const {
  std::unique_lock lock(shared_->mutex);
  return shared_->idle.wait_for(lock, limit, [this] { return !shared_->busy; });
}

void PageBridge::wait_until_idle_without_limit() const {
  std::unique_lock lock(shared_->mutex);
  shared_->idle.wait(lock, [this] { return !shared_->busy; });
}

bool PageBridge::try_mark_busy() {
  std::lock_guard lock(shared_->mutex);
  if (shared_->busy) return false;
  shared_->busy = true;
  return true;
}

void PageBridge::dispatch(std::string_view text) {
  // The bridge's entry: nothing thrown below may reach the toolkit's callback.
  try {
    const std::optional<PageMessage> message = parse_page_message(text);
    if (!message) return;
    switch (message->type) {
      case PageMessageType::kPreflight:
        start_preflight();
        break;
      case PageMessageType::kDiskSpace:
        answer_folder(folder_from_page_text(message->dir));
        break;
      case PageMessageType::kChooseFolder:
        choose_folder(message->dir);
        break;
      case PageMessageType::kInstall:
        start_install(install_request_from(*message));
        break;
      case PageMessageType::kCancel:
        set_cancel();
        break;
      case PageMessageType::kLaunch:
        launch();
        break;
      case PageMessageType::kClose:
        set_cancel();
        if (shared_->host.post_close) shared_->host.post_close();
        break;
    }
  } catch (...) {
    // A message that makes the bridge throw is dropped like malformed input.
  }
}

void PageBridge::start_preflight() {
  if (!shared_->workers.catalogue) return;  // no release client in this build
  if (std::exchange(page_reloaded_, false) && tell_run_state()) return;
  if (!try_mark_busy()) return;
  std::thread([shared = shared_] {
    // The thread's edge: a worker that throws is a bug in it, yet the page still
    // gets an answer so it does not wait forever, and the busy flag is still cleared.
    InstallerEvent event;
    try {
      event = preflight_event(shared->workers.catalogue());
    } catch (...) {
      event = preflight_event(network_error());
    }
    std::lock_guard lock(shared->mutex);
    shared->busy = false;
    shared->idle.notify_all();
    shared->catalogue_answer = event;
    shared->host.send_event(std::move(event));
  }).detach();
}

// A page loaded again knows nothing. Dropping its "preflight" while an installation
// runs would leave it on a spinner with no way to cancel until the run ends, so it
// gets the catalogue it had (back to the options) and where the installation stands
// (its latest progress, or how the last one ended). A catalogue request already
// under way answers it by itself. False when there is nothing to tell: the page then
// starts as any new page does.
bool PageBridge::tell_run_state() {
  std::lock_guard lock(shared_->mutex);
  if (shared_->busy && !shared_->installing) return true;
  if (!shared_->installing && !shared_->install_state) return false;
  if (shared_->catalogue_answer) shared_->host.send_event(*shared_->catalogue_answer);
  if (shared_->install_state) shared_->host.send_event(*shared_->install_state);
  return true;
}

void PageBridge::answer_folder(const Path& dir) {
  // The empty text names no folder at all; it must not become "here" (the working
  // folder) on its way to the system.
  std::optional<std::uint64_t> free_bytes;
  if (!dir.empty() && shared_->host.free_bytes) free_bytes = shared_->host.free_bytes(dir);
  shared_->host.send_event(folder_event(dir, free_bytes));
}

void PageBridge::choose_folder(const std::string& dir) {
  if (!shared_->host.choose_folder) return;
  const std::optional<Path> chosen = shared_->host.choose_folder(chooser_start_folder(folder_from_page_text(dir)));
  if (!chosen) return;
  answer_folder(installation_folder_for_choice(*chosen));
}

void PageBridge::start_install(InstallRequest request) {
  if (!shared_->workers.install) return;  // no install worker in this build
  if (!try_mark_busy()) return;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->installing = true;
    shared_->install_state.reset();
  }
  shared_->cancel.store(false);
  std::thread([shared = shared_, request = std::move(request)] {
    // Each progress event is remembered as it goes out, under the run state's lock,
    // so a page told the state in between never sees an older one after a newer.
    const ProgressSender send = [shared](const InstallProgress& progress) {
      InstallerEvent event = progress_event(progress);
      std::lock_guard lock(shared->mutex);
      shared->install_state = event;
      shared->host.send_event(std::move(event));
    };
    const InstallOutcome outcome = shared->workers.install(request, shared->cancel, send);
    std::lock_guard lock(shared->mutex);
    shared->busy = false;
    shared->installing = false;
    shared->idle.notify_all();
    if (outcome) {
      const InstallSuccess& success = outcome.value();
      shared->log->write_log("installed " + success.version + " at " + success.dir);
      shared->installed_folder = folder_from_page_text(success.dir);
      shared->install_state = installed_event(success);
    } else {
      shared->install_state = failed_event(outcome.error());
      shared->log->write_log("install failed: " + compact_json(*shared->install_state));
    }
    shared->host.send_event(*shared->install_state);
  }).detach();
}

void PageBridge::launch() {
  std::optional<Path> folder;
  {
    std::lock_guard lock(shared_->mutex);
    folder = shared_->installed_folder;
  }
  if (folder && shared_->workers.launch) shared_->workers.launch(*folder);
  set_cancel();
  if (shared_->host.post_close) shared_->host.post_close();
}

}  // namespace quillmar
