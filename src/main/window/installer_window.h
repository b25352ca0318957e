#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "main/bridge/asset_table.h"
#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// How the web view is set up: everything start-up knows before the page loads.
struct WebViewConfig {
  Path data_folder;                   // the web view's own caches and storage
  std::string initialization_script;  // runs in the main frame before any page script
  std::span<const Asset> assets;      // what the custom protocol serves
  // Called on the event loop thread with each text the page posts; it only queues.
  std::function<void(std::string text)> on_page_message;
  // Called on the event loop thread when the page starts loading again while the
  // installer runs (its renderer ended, or the web view was made anew), before any
  // message of the new page; it only queues.
  std::function<void()> on_page_reload;
};

// The installer's one window with its web view and event loop: the small interface
// start-up and the page bridge talk to, one implementation per platform.
class InstallerWindow {
 public:
  virtual ~InstallerWindow() = default;

  // Fills the window with the web view and loads the start page.
  virtual Result<void> create_web_view(const WebViewConfig& config) = 0;

  // Whether the user closed the window before run() began, which fails a
  // create_web_view() still waiting on the web view. A window whose web view comes up
  // without waiting on its loop never gives up that way, so the answer is no.
  virtual bool close_requested() const { return false; }

  // Runs SCRIPT in the page's main frame; its result and errors are ignored.
  virtual void run_script(const std::string& script) = 0;

  // The system folder picker, starting in START when given; blocks the event loop
  // thread (the window keeps drawing) until it closes. Nothing when cancelled.
  virtual std::optional<Path> choose_folder(const std::optional<Path>& start) = 0;

  // Any thread: has the loop call the ON_WAKE given to run() soon, on its thread.
  virtual void wake() = 0;

  // Runs the event loop until quit(). ON_WAKE runs after wake(); ON_CLOSE_REQUEST
  // when the user closes the window; ON_WEB_VIEW_LOST, with the error text, when the
  // web view ended and could not be made again (the window is then hidden, and the
  // page gone for good).
  virtual void run(std::function<void()> on_wake, std::function<void()> on_close_request,
                   std::function<void(const std::string& error)> on_web_view_lost) = 0;

  // Event loop thread: ends run().
  virtual void quit() = 0;
};

// Starts the window system's event loop and opens the window (title "Quillmar",
// client area 520 × 400 logical pixels, fixed size, centred on the primary monitor,
// with the embedded icon). The error text goes into the fatal start-up message.
Result<std::unique_ptr<InstallerWindow>> create_window();

}  // namespace quillmar
