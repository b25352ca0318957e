// The headless host: the installer's start-up values, page bridge and workers, with
// the web view replaced by standard input and output. Tests drive the whole native
// side through it without a display. Its conversation:
//   - first output line: the InstallerEnvironment as compact JSON;
//   - then every installer event as one compact JSON line, in delivery order;
//   - each input line is one page message text, handled as the window would;
//   - "close" and "launch" end it with exit code 0, as does the end of its input
//     once no worker is running.
// --choose-folder PATH answers the folder picker with PATH; without it the picker
// is cancelled. The installer itself has no options; this is a development tool.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "main/bridge/event_loop_handler.h"
#include "main/bridge/page_events.h"
#include "main/bridge/user_events.h"
#include "main/startup/installer_exit.h"
#include "main/startup/installer_session.h"
#include "main/startup/shared_release_client.h"
#include "standard_streams.h"
#include "system/environment.h"
#include "system/json_text.h"
#include "system/paths.h"

namespace quillmar {
namespace {

void write_line(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Wakes the loop; counts wakes so none is lost between a check and the wait.
class Wakeup {
 public:
  void wake() {
    {
      std::lock_guard lock(mutex_);
      ++count_;
    }
    condition_.notify_one();
  }
  void wait_for_next(unsigned long& seen) {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, [&] { return count_ != seen; });
    seen = count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  unsigned long count_ = 0;
};

int run(std::optional<Path> chosen_folder) {
  use_binary_standard_streams();

  // The start as in the installer; a damaged key's message goes to standard error,
  // since a development tool shows no dialog.
  auto begun = begin_session();
  if (!begun) {
    std::fprintf(stderr, "%s\n", begun.error().message.c_str());
    return 1;
  }
  const InstallerSession session = std::move(begun).value();
  write_line(environment_json(discover_environment()));

  auto wakeup = std::make_shared<Wakeup>();
  auto queue = std::make_shared<UserEventQueue>([wakeup] { wakeup->wake(); });
  const std::unique_ptr<PageBridge> owned_bridge =
      session_bridge(session, build_release_client(session.log), queue,
                     [chosen_folder](const std::optional<Path>&) { return chosen_folder; });
  PageBridge& bridge = *owned_bridge;

  auto input_ended = std::make_shared<std::atomic<bool>>(false);
  std::thread([queue, wakeup, input_ended] {
    std::string line;
    while (std::getline(std::cin, line)) queue->post(UserEvent::page_message(line));
    input_ended->store(true);
    wakeup->wake();
  }).detach();

  auto deliver = [](const InstallerEvent& event) { write_line(compact_json(event)); };
  unsigned long seen = 0;
  for (;;) {
    while (auto event = queue->take()) {
      if (handle_user_event(*event, bridge, deliver) == LoopStep::kExit) end_installer(bridge);
    }
    // A worker clears busy and posts its last event under one lock, so once busy is
    // seen false that event is already queued: deliver it before ending.
    if (input_ended->load() && !bridge.busy()) {
      if (auto event = queue->take()) {
        if (handle_user_event(*event, bridge, deliver) == LoopStep::kExit) end_installer(bridge);
        continue;
      }
      end_installer(bridge);
    }
    wakeup->wait_for_next(seen);
  }
}

}  // namespace
}  // namespace quillmar

int main(int argc, char** argv) {
  std::optional<quillmar::Path> chosen_folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--choose-folder" && i + 1 < argc) {
      chosen_folder = quillmar::path_from_text(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: quillmar-headless [--choose-folder PATH]\n");
      return 2;
    }
  }
  return quillmar::run(chosen_folder);
}
