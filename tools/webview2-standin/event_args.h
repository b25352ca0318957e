#pragma once

// The argument objects the scripted page hands to the installer's handlers, and
// what the handlers left in them afterwards.

#include <string>

#include "webview2_vtables.h"

namespace standin {

struct NavigationStartingArgs {
  const ICoreWebView2NavigationStartingEventArgsVtbl* lpVtbl;
  LONG references;
  std::wstring uri;
  BOOL cancel;

  static constexpr GUID kIid = kIidNavigationStartingArgs;
  static constexpr char kName[] = "ICoreWebView2NavigationStartingEventArgs";
};

struct NewWindowRequestedArgs {
  const ICoreWebView2NewWindowRequestedEventArgsVtbl* lpVtbl;
  LONG references;
  std::wstring uri;
  BOOL handled;
  bool new_window_given;

  static constexpr GUID kIid = kIidNewWindowRequestedArgs;
  static constexpr char kName[] = "ICoreWebView2NewWindowRequestedEventArgs";
};

struct WebMessageReceivedArgs {
  const ICoreWebView2WebMessageReceivedEventArgsVtbl* lpVtbl;
  LONG references;
  std::wstring source;
  std::wstring text;

  static constexpr GUID kIid = kIidWebMessageReceivedArgs;
  static constexpr char kName[] = "ICoreWebView2WebMessageReceivedEventArgs";
};

struct WebResourceRequest {
  const ICoreWebView2WebResourceRequestVtbl* lpVtbl;
  LONG references;
  std::wstring uri;

  static constexpr GUID kIid = kIidWebResourceRequest;
  static constexpr char kName[] = "ICoreWebView2WebResourceRequest";
};

struct WebResourceRequestedArgs {
  const ICoreWebView2WebResourceRequestedEventArgsVtbl* lpVtbl;
  LONG references;
  WebResourceRequest* request;                 // owned
  ICoreWebView2WebResourceResponse* response;  // owned; null until put_Response
  INT32 context;                               // COREWEBVIEW2_WEB_RESOURCE_CONTEXT

  static constexpr GUID kIid = kIidWebResourceRequestedArgs;
  static constexpr char kName[] = "ICoreWebView2WebResourceRequestedEventArgs";
};

struct NavigationCompletedArgs {
  const ICoreWebView2NavigationCompletedEventArgsVtbl* lpVtbl;
  LONG references;

  static constexpr GUID kIid = kIidNavigationCompletedArgs;
  static constexpr char kName[] = "ICoreWebView2NavigationCompletedEventArgs";
};

struct ProcessFailedArgs {
  const ICoreWebView2ProcessFailedEventArgsVtbl* lpVtbl;
  LONG references;
  INT32 kind;

  static constexpr GUID kIid = kIidProcessFailedArgs;
  static constexpr char kName[] = "ICoreWebView2ProcessFailedEventArgs";
};

// Each made with one reference, which the caller releases through its vtable.
NavigationStartingArgs* new_navigation_starting_args(std::wstring uri);
NewWindowRequestedArgs* new_new_window_requested_args(std::wstring uri);
WebMessageReceivedArgs* new_web_message_received_args(std::wstring source, std::wstring text);
WebResourceRequestedArgs* new_web_resource_requested_args(std::wstring uri, INT32 context);
NavigationCompletedArgs* new_navigation_completed_args();
ProcessFailedArgs* new_process_failed_args(INT32 kind);

}  // namespace standin
