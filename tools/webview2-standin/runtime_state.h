#pragma once

// What the one web view of the stand-in knows: the handlers the installer added,
// its resource filters and document scripts. Lives on the UI thread only.

#include <string>
#include <vector>

#include "webview2_vtables.h"

namespace standin {

// A response the installer made with CreateWebResourceResponse.
struct Response {
  const ICoreWebView2WebResourceResponseVtbl* lpVtbl;
  LONG references;
  IStream* content;  // owned; null for no body
  int status;
  std::wstring reason;
  std::wstring headers;

  static constexpr GUID kIid = kIidWebResourceResponse;
  static constexpr char kName[] = "ICoreWebView2WebResourceResponse";
};

struct RuntimeState {
  HWND parent = nullptr;
  ICoreWebView2* web_view = nullptr;
  std::vector<NavigationStartingHandler*> navigation_handlers;
  std::vector<WebMessageReceivedHandler*> message_handlers;
  std::vector<NewWindowRequestedHandler*> new_window_handlers;
  std::vector<WebResourceRequestedHandler*> resource_handlers;
  std::vector<NavigationCompletedHandler*> completed_handlers;
  std::vector<ProcessFailedHandler*> process_failed_handlers;
  std::vector<std::wstring> resource_filters;
  // Scripts added before the navigation, run at the start of its document.
  std::vector<std::wstring> document_scripts;
  bool navigated = false;
  // Set by the page while it plays a failing response creation.
  bool fail_response_creation = false;
};

RuntimeState& runtime_state();

// A new environment after the browser process ended: the old web view, its
// handlers, filters and scripts are gone with it.
void reset_runtime_state();

ICoreWebView2Environment* make_environment();
ICoreWebView2Controller* make_controller(HWND parent);
ICoreWebView2* make_web_view();

}  // namespace standin
