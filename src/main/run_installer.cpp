#include "main/run_installer.h"

#include <memory>
#include <string>

#include "main/bridge/event_loop_handler.h"
#include "main/bridge/page_events.h"
#include "main/bridge/user_events.h"
#include "main/startup/fatal.h"
#include "main/startup/installer_exit.h"
#include "main/startup/installer_session.h"
#include "main/startup/shared_release_client.h"
#include "main/window/installer_window.h"
#include "system/environment.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/process_end.h"

namespace quillmar {
namespace {

constexpr char kMissingWebViewText[] =
    "The installer needs the system web view (Microsoft Edge WebView2 on Windows). Install or update it from "
    "https://developer.microsoft.com/microsoft-edge/webview2/ and run the installer again.";

constexpr char kWebViewLostText[] =
    "The installer's window stopped working and could not be opened again. An installation that is under way "
    "still finishes; the installer then closes. Run it again to see the result.";

}  // namespace

// The start-up order is fixed: each step begins only after the previous one ended,
// and the three fatal failures (damaged key, no window, no web view) stop the
// process with exit code 1 before the event loop runs.
int run_installer(std::span<const Asset> assets, const WorkersFactory& make_workers) {
  // A damaged embedded key ends here, before anything is written.
  auto begun = begin_session();
  if (!begun) fatal(begun.error().message);
  const InstallerSession session = std::move(begun).value();

  // The event loop and the window come up together: the window system's loop is
  // what the window lives in.
  auto created = create_window();
  if (!created) fatal("The installer window could not open: " + created.error().message);
  std::shared_ptr<InstallerWindow> window = std::move(created).value();

  const InstallerEnvironment environment = discover_environment();

  // Workers post from their own threads; the queue keeps their order and wakes the
  // loop. Shared, because a worker may still hold it when the loop has ended.
  auto queue = std::make_shared<UserEventQueue>([window] { window->wake(); });

  WebViewConfig config;
  config.data_folder = logs_folder().parent_path() / path_from_text("Installer-WebView2");
  config.initialization_script = "window.QUILLMAR_INSTALLER = " + environment_json(environment) + ";";
  config.assets = assets;
  config.on_page_message = [queue](std::string text) { queue->post(UserEvent::page_message(std::move(text))); };
  config.on_page_reload = [queue] { queue->post(UserEvent::page_reloaded()); };
  if (auto web_view = window->create_web_view(config); !web_view) {
    // The user closed the window while the web view came up: nothing has started
    // that must be waited for, and the installer ends as a close ends it.
    if (window->close_requested()) end_process_now(0);
    fatal(std::string(kMissingWebViewText) + "\n\n" + web_view.error().message);
  }

  const std::unique_ptr<PageBridge> bridge =
      session_bridge(session, build_release_client(session.log), queue,
                     [window](const std::optional<Path>& start) { return window->choose_folder(start); },
                     make_workers);

  // The folder picker runs a nested loop that may call on_wake again; the outer
  // drain keeps handling events one at a time, so a second drain must not start.
  bool draining = false;
  auto deliver = [&window](const InstallerEvent& event) { window->run_script(event_delivery_script(event)); };
  auto on_wake = [&] {
    if (draining) return;
    draining = true;
    while (auto event = queue->take()) {
      if (handle_user_event(*event, *bridge, deliver) == LoopStep::kExit) {
        window->quit();
        break;
      }
    }
    draining = false;
  };
  auto on_close_request = [&] {
    bridge->set_cancel();
    window->quit();
  };
  // The window is already hidden. An installation under way is not cancelled: it
  // runs to its end (a setup package is never cut off half-way), and only then does
  // the installer go.
  auto on_web_view_lost = [&](const std::string& error) {
    show_failure(std::string(kWebViewLostText) + "\n\n" + error);
    bridge->wait_until_idle_without_limit();
    end_process_now(1);
  };
  window->run(on_wake, on_close_request, on_web_view_lost);

  // A cancelled download gets a moment to remove its folder; anything still running
  // after that is abandoned, as is a setup program it started. The process ends
  // without running destructors under their feet.
  end_installer(*bridge);
}

}  // namespace quillmar
