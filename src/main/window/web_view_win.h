#pragma once

// The WebView2 half of the Windows window, kept apart so the window code knows
// nothing of the runtime's interfaces. Included only by *_win.cpp files.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "main/window/installer_window.h"
#include "system/result.h"

namespace quillmar {

class WebView2Host {
 public:
  // Pumps the window's messages until DONE returns true, and says so; false when the
  // window was closed or its loop told to end first, and the wait was given up. The
  // runtime answers every asynchronous call through a message to this thread.
  using PumpUntil = std::function<bool(const std::function<bool()>& done)>;

  // Brings the web view up in WINDOW's client area for CONFIG, in the fixed order of
  // start-up (environment, controller, the asset handler, the two initialization
  // scripts, the page-message handler, the navigation filter, the load and failure
  // handlers, the new-window refusal, the settings, the bounds) and starts loading
  // the start page. ON_BROWSER_EXIT is called from inside the runtime's handler when
  // the browser process has ended: it must only schedule restart(), never run it
  // there. The error text names the step that failed and its HRESULT (ERROR_CANCELLED
  // when PUMP_UNTIL gave up the wait).
  static Result<std::unique_ptr<WebView2Host>> create(HWND window, const WebViewConfig& config,
                                                      const PumpUntil& pump_until,
                                                      std::function<void()> on_browser_exit);

  virtual ~WebView2Host() = default;

  // Runs SCRIPT in the main frame; its result and errors are ignored. Nothing while
  // the web view is being made again.
  virtual void run_script(const std::string& script) = 0;

  // Makes the web view fill WINDOW's client area again (after a size or DPI change).
  virtual void fit_to_client_area(HWND window) = 0;

  // Gives the keyboard focus to the page, as the window's own focus.
  virtual void move_focus() = 0;

  // Tells the runtime the window moved, so the pop-ups it draws itself (a select's
  // list) open at the new place and accessibility rectangles follow.
  virtual void window_moved() = 0;

  // Hides the web view while the window is minimized, and shows it again.
  virtual void set_visible(bool visible) = 0;

  // After the browser process ended: a new environment and web view in WINDOW, with
  // the start page loaded again. The error text is as create()'s.
  virtual Result<void> restart(HWND window) = 0;
};

}  // namespace quillmar
