#pragma once

// The WebView2 half of the Windows window, kept apart so the window code knows
// nothing of the runtime's interfaces. Included only by *_win.cpp files.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "main/installer_window.h"
#include "system/result.h"

namespace quillmar {

class WebView2Host {
 public:
  // Pumps the window's messages until DONE returns true; the runtime answers every
  // asynchronous call through a message to this thread.
  using PumpUntil = std::function<void(const std::function<bool()>& done)>;

  // Brings the web view up in WINDOW's client area for CONFIG, in the fixed order of
  // start-up (environment, controller, the asset handler, the two initialization
  // scripts, the page-message handler, the navigation filter, the new-window refusal,
  // the settings, the bounds) and starts loading the start page. The error text
  // names the step that failed and its HRESULT.
  static Result<std::unique_ptr<WebView2Host>> create(HWND window, const WebViewConfig& config,
                                                      const PumpUntil& pump_until);

  virtual ~WebView2Host() = default;

  // Runs SCRIPT in the main frame; its result and errors are ignored.
  virtual void run_script(const std::string& script) = 0;

  // Makes the web view fill WINDOW's client area again (after a size or DPI change).
  virtual void fit_to_client_area(HWND window) = 0;
};

}  // namespace quillmar
