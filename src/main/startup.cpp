#include "main/startup.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "main/build_config.h"
#include "main/event_loop_handler.h"
#include "main/fatal.h"
#include "main/installer_window.h"
#include "main/installer_workers.h"
#include "main/shared_release_client.h"
#include "main/page_bridge.h"
#include "main/start_line.h"
#include "main/user_events.h"
#include "signature/signature_verifier.h"
#include "system/disk_space.h"
#include "system/environment.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/process_end.h"

namespace quillmar {
namespace {

constexpr char kMissingWebViewText[] =
    "The installer needs the system web view (Microsoft Edge WebView2 on Windows). Install or update it from "
    "https://developer.microsoft.com/microsoft-edge/webview2/ and run the installer again.";

}  // namespace

// The start-up order is fixed: each step begins only after the previous one ended,
// and the three fatal failures (damaged key, no window, no web view) stop the
// process with exit code 1 before the event loop runs.
int run_installer(std::span<const Asset> assets) {
  // Check the embedded release-signing key against its pinned digest; a damaged key
  // ends here, before anything is written.
  Result<std::shared_ptr<const SignatureVerifier>> built_verifier = SignatureVerifier::from_embedded_key();
  if (!built_verifier) fatal("This installer is damaged: " + built_verifier.error().message);
  // Shared read-only by the catalogue thread and the install worker.
  const std::shared_ptr<const SignatureVerifier> verifier = std::move(built_verifier).value();

  std::shared_ptr<InstallerLog> log = InstallerLog::open_in(logs_folder());
  log->write_log(start_line(kReleaseBaseUrl));

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
  if (auto web_view = window->create_web_view(config); !web_view) {
    fatal(std::string(kMissingWebViewText) + "\n\n" + web_view.error().message);
  }

  const std::shared_ptr<const ReleaseClient> client = build_release_client(*log);

  BridgeHost host;
  host.send_event = [queue](InstallerEvent event) { queue->post(UserEvent::deliver(std::move(event))); };
  host.post_close = [queue] { queue->post(UserEvent::close()); };
  host.choose_folder = [window](const std::optional<std::filesystem::path>& start) {
    return window->choose_folder(start);
  };
  host.free_bytes = free_bytes_near;
  PageBridge bridge(std::move(host), installer_workers(client, verifier, log), log);

  // The folder picker runs a nested loop that may call on_wake again; the outer
  // drain keeps handling events one at a time, so a second drain must not start.
  bool draining = false;
  auto deliver = [&window](const InstallerEvent& event) { window->run_script(event_delivery_script(event)); };
  auto on_wake = [&] {
    if (draining) return;
    draining = true;
    while (auto event = queue->take()) {
      if (handle_user_event(*event, bridge, deliver) == LoopStep::kExit) {
        window->quit();
        break;
      }
    }
    draining = false;
  };
  auto on_close_request = [&] {
    bridge.set_cancel();
    window->quit();
  };
  window->run(on_wake, on_close_request);

  // Every way out has set the cancel flag. An installation that is still
  // downloading sees it at its next read and removes its partial download; it gets a
  // short, bounded while for that, so that neither a request that hangs nor a setup
  // program that runs can keep the installer from ending.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (bridge.busy() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  // Workers still running are abandoned, as is a setup program they started. The
  // process ends here without running destructors under their feet.
  end_process_now(0);
}

}  // namespace quillmar
