#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "install/install_worker.h"
#include "main/bridge/page_events.h"
#include "server/release_client.h"
#include "system/path.h"

namespace quillmar {

class InstallerLog;

// The long work behind "preflight", "install" and "launch". Handed in, so the
// bridge's rules are tested with workers the tests control, and the installer and
// the headless host run the same bridge with the real ones. An empty function means
// this build has no such worker yet: the message is then dropped, never answered
// with an invented result.
struct BridgeWorkers {
  // The catalogue request. Runs on its own thread, which answers the page even when
  // the worker throws.
  std::function<ReleaseResult<ReleaseList>()> catalogue;
  // One installation. Runs on its own thread; reads CANCEL, sends its progress. It
  // never throws: it ends every run, however it fails, with an outcome, as
  // runInstall does.
  std::function<InstallOutcome(const InstallRequest&, std::atomic<bool>& cancel, const ProgressSender& send)> install;
  // Starts the installed application in FOLDER, detached; logs its own failure.
  std::function<void(const Path& folder)> launch;
};

// What the bridge needs from the window it serves (the GTK window, the headless
// host's standard output, a test).
struct BridgeHost {
  // Posts a deliver-to-page user event; any thread; never blocks.
  EventSender send_event;
  // Posts the close user event; the event loop then ends.
  std::function<void()> post_close;
  // Shows the folder picker, starting in START when given; blocks the event loop
  // thread until it closes. Nothing when the user cancels or the picker fails.
  std::function<std::optional<Path>(const std::optional<Path>& start)> choose_folder;
  // The free space near a folder (nearest existing ancestor); nothing when unknown.
  std::function<std::optional<std::uint64_t>(const Path&)> free_bytes;
};

// The dispatcher of page messages. Lives on the event loop thread; the worker
// threads it starts share its run state and cancel flag, which therefore outlive the
// bridge itself (a worker may still run when the loop ends and the process exits).
class PageBridge {
 public:
  PageBridge(BridgeHost host, BridgeWorkers workers, std::shared_ptr<InstallerLog> log);

  // Acts on one text the page posted. Event loop thread only; never throws.
  void dispatch(std::string_view text);

  // Every way of closing sets it: "cancel", "close", "launch" and the window's close.
  void set_cancel() { shared_->cancel.store(true); }
  bool cancel_requested() const { return shared_->cancel.load(); }

  // The page was loaded afresh while the installer runs (its renderer ended, or the
  // web view was made anew): it starts on its first screen with nothing, and its
  // next "preflight" is answered with where this run stands instead of being
  // dropped while an installation runs. Event loop thread only.
  void page_reloaded() { page_reloaded_ = true; }

  // A catalogue request or an installation is running.
  bool busy() const;

  // Waits until no worker runs, at most LIMIT; true when none does. A worker that
  // has seen the cancel flag ends its run, and removes its download folder, well
  // within the limit the installer waits on its way out.
  bool wait_until_idle(std::chrono::milliseconds limit) const;
  // The same without a limit, for a way out that must not cut a run short.
  void wait_until_idle_without_limit() const;

 private:
  struct Shared {
    std::mutex mutex;  // the run state; the log's lock may be taken inside it, never the reverse
    bool busy = false;
    bool installing = false;       // the busy flag is an installation's
    std::condition_variable idle;  // notified each time busy becomes false
    std::optional<Path> installed_folder;
    // Where the run stands, for a page loaded again: the last catalogue answer, and
    // the running installation's latest progress or the last one's outcome.
    std::optional<InstallerEvent> catalogue_answer;
    std::optional<InstallerEvent> install_state;
    std::atomic<bool> cancel{false};
    BridgeHost host;
    BridgeWorkers workers;
    std::shared_ptr<InstallerLog> log;
  };

  void start_preflight();
  bool tell_run_state();
  void answer_folder(const Path& dir);
  void choose_folder(const std::string& dir);
  void start_install(InstallRequest request);
  void launch();
  bool try_mark_busy();

  std::shared_ptr<Shared> shared_;
  bool page_reloaded_ = false;
};

}  // namespace quillmar
