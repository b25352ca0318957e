#pragma once

// The few WebView2 COM interfaces the installer's web view host uses, declared by
// hand because the SDK is not available to this build. Every IID and every slot
// below was compared with two independent MIDL-generated WebView2.h headers (an
// older 1.0-series one and a recent 1.0.2xxx one); one wrong slot would call the
// wrong method on a real machine, so nothing here may be reordered.
//
// Rules kept throughout: each interface derives directly from IUnknown (slots 0-2),
// declares its own methods as pure virtuals in vtable order, has no destructor (g++
// would add two vtable entries) and no overloaded names. Slots the host never calls
// keep a pointer-sized placeholder parameter; only their position matters. The one
// exception is ICoreWebView2Settings3, which extends the settings as the runtime's
// own numbered interfaces do (see there).
//
// Which slots the host calls, in which order, is what the stand-in runtime in
// tools/webview2-standin records and the Wine tests check; how the runtime is found
// and entered is in webview2_runtime_win.h.

#include <windows.h>
#include <objidl.h>
#include <unknwn.h>

#include "main/window/com_interface_id_win.h"

namespace quillmar::webview2 {

// Windows' own registration token: one 64-bit value written by add_*.
struct EventToken {
  INT64 value;
};

enum WebResourceContext : INT32 { kWebResourceContextAll = 0 };

// The runtime kind the internal entry point takes: 0 is the installed runtime.
inline constexpr INT32 kRuntimeKindInstalled = 0;

// ICoreWebView2Controller::MoveFocus: the host moves focus itself, not by Tab.
inline constexpr INT32 kMoveFocusProgrammatic = 0;

// ICoreWebView2ProcessFailedEventArgs::get_ProcessFailedKind, the kinds acted on.
enum ProcessFailedKind : INT32 {
  kBrowserProcessExited = 0,
  kRenderProcessExited = 1,
  kRenderProcessUnresponsive = 2,
};

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceResponse;

// The handlers the host implements: IUnknown, then Invoke at slot 3.
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, ICoreWebView2Environment* environment) = 0;
};
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, ICoreWebView2Controller* controller) = 0;
};
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;
};
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, LPCWSTR id) = 0;
};
struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, LPCWSTR result_as_json) = 0;
};
// Its arguments are not read: a finished navigation of any outcome is enough.
struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};
struct ICoreWebView2ProcessFailedEventArgs;
struct ICoreWebView2ProcessFailedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) = 0;
};

struct ICoreWebView2Environment : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;                // 3
  virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int status_code, LPCWSTR reason,
                                                              LPCWSTR headers,
                                                              ICoreWebView2WebResourceResponse** response) = 0;  // 4
  virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* version) = 0;                          // 5
  virtual HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(IUnknown* handler, EventToken* token) = 0;  // 6
  virtual HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventToken token) = 0;                  // 7
};

struct ICoreWebView2Controller : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) = 0;                                 // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) = 0;                                  // 4
  virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;                                     // 5
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;                                      // 6
  virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* factor) = 0;                               // 7
  virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double factor) = 0;                                // 8
  virtual HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(IUnknown* handler, EventToken* token) = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventToken token) = 0;                   // 10
  virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double factor) = 0;           // 11
  virtual HRESULT STDMETHODCALLTYPE MoveFocus(INT32 reason) = 0;                                      // 12
  virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(IUnknown* handler, EventToken* token) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventToken token) = 0;                  // 14
  virtual HRESULT STDMETHODCALLTYPE add_GotFocus(IUnknown* handler, EventToken* token) = 0;           // 15
  virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventToken token) = 0;                            // 16
  virtual HRESULT STDMETHODCALLTYPE add_LostFocus(IUnknown* handler, EventToken* token) = 0;          // 17
  virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(EventToken token) = 0;                           // 18
  virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(IUnknown* handler, EventToken* token) = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventToken token) = 0;               // 20
  virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) = 0;                               // 21
  virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parent) = 0;                                // 22
  virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;                          // 23
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;                                                      // 24
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** web_view) = 0;                   // 25
};

struct ICoreWebView2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;  // 3
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;                         // 4
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                           // 5
  virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR html) = 0;                  // 6
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                           EventToken* token) = 0;                        // 7
  virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventToken token) = 0;                      // 8
  virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(IUnknown* handler, EventToken* token) = 0;         // 9
  virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventToken token) = 0;                          // 10
  virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(IUnknown* handler, EventToken* token) = 0;          // 11
  virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventToken token) = 0;                           // 12
  virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(IUnknown* handler, EventToken* token) = 0;         // 13
  virtual HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventToken token) = 0;                          // 14
  virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                                            EventToken* token) = 0;                       // 15
  virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventToken token) = 0;                     // 16
  virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(IUnknown* handler, EventToken* token) = 0;  // 17
  virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventToken token) = 0;                 // 18
  virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(IUnknown* handler, EventToken* token) = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventToken token) = 0;                // 20
  virtual HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(IUnknown* handler, EventToken* token) = 0;    // 21
  virtual HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventToken token) = 0;                     // 22
  virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(IUnknown* handler, EventToken* token) = 0;    // 23
  virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventToken token) = 0;                     // 24
  virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                      EventToken* token) = 0;                             // 25
  virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventToken token) = 0;                           // 26
  virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;     // 27
  virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;               // 28
  virtual HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script,
                                                  ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;  // 29
  virtual HRESULT STDMETHODCALLTYPE CapturePreview(INT32 format, IStream* stream, IUnknown* handler) = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE Reload() = 0;                                                          // 31
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) = 0;                                // 32
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR text) = 0;                              // 33
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                           EventToken* token) = 0;                         // 34
  virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventToken token) = 0;                       // 35
  virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR method, LPCWSTR parameters,
                                                               IUnknown* handler) = 0;                     // 36
  virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* id) = 0;                                  // 37
  virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* can) = 0;                                          // 38
  virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* can) = 0;                                       // 39
  virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;                                                          // 40
  virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;                                                       // 41
  virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR event, IUnknown** receiver) = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;                                                            // 43
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                           EventToken* token) = 0;                         // 44
  virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventToken token) = 0;                       // 45
  virtual HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(IUnknown* handler, EventToken* token) = 0;    // 46
  virtual HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventToken token) = 0;                     // 47
  virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;                                  // 48
  virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) = 0;              // 49
  virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;                          // 50
  virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;                                              // 51
  virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(IUnknown* handler, EventToken* token) = 0;  // 52
  virtual HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventToken token) = 0;         // 53
  virtual HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* contains) = 0;                     // 54
  virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                                             EventToken* token) = 0;                       // 55
  virtual HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventToken token) = 0;                     // 56
  virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri, WebResourceContext context) = 0;  // 57
  virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(LPCWSTR uri, WebResourceContext context) = 0;  // 58
  virtual HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(IUnknown* handler, EventToken* token) = 0;    // 59
  virtual HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventToken token) = 0;                     // 60
};

struct ICoreWebView2Settings : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* enabled) = 0;                // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL enabled) = 0;                 // 4
  virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* enabled) = 0;            // 5
  virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL enabled) = 0;             // 6
  virtual HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* enabled) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL enabled) = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* enabled) = 0;             // 9
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;              // 10
  virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* enabled) = 0;             // 11
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;              // 12
  virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* enabled) = 0;  // 13
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;   // 14
  virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* allowed) = 0;          // 15
  virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;           // 16
  virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* enabled) = 0;           // 17
  virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;            // 18
  virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* enabled) = 0;      // 19
  virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;       // 20
};

// The numbered settings interfaces each append their methods after the previous
// one's last slot; single inheritance without a destructor lays the C++ vtable out
// the same way, so these two continue at slot 21.
struct ICoreWebView2Settings2 : ICoreWebView2Settings {
  virtual HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* user_agent) = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR user_agent) = 0;  // 22
};
struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
  virtual HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* enabled) = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL enabled) = 0;   // 24
};

struct ICoreWebView2ProcessFailedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(INT32* kind) = 0;  // 3
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) = 0;                  // 3
  virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) = 0;          // 4
  virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;   // 5
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                 // 3
  virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;      // 4
  virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* redirected) = 0;   // 5
  virtual HRESULT STDMETHODCALLTYPE get_RequestHeaders(IUnknown** headers) = 0;  // 6
  virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;             // 7
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;              // 8
  virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) = 0;         // 9
};

// put_Handled comes before get_Handled in this interface, unlike most properties.
struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                       // 3
  virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* window) = 0;       // 4
  virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** window) = 0;      // 5
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;                  // 6
  virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;                 // 7
  virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) = 0;            // 8
  virtual HRESULT STDMETHODCALLTYPE GetDeferral(IUnknown** deferral) = 0;           // 9
  virtual HRESULT STDMETHODCALLTYPE get_WindowFeatures(IUnknown** features) = 0;    // 10
};

struct ICoreWebView2WebResourceRequest : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;            // 3
  virtual HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) = 0;            // 4
  virtual HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) = 0;      // 5
  virtual HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) = 0;      // 6
  virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;   // 8
  virtual HRESULT STDMETHODCALLTYPE get_Headers(IUnknown** headers) = 0;  // 9
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;      // 3
  virtual HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) = 0;   // 4
  virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;    // 5
  virtual HRESULT STDMETHODCALLTYPE GetDeferral(IUnknown** deferral) = 0;                            // 6
  virtual HRESULT STDMETHODCALLTYPE get_ResourceContext(WebResourceContext* context) = 0;            // 7
};

// Only created by the environment and handed back through put_Response; its own
// methods are never called, so it stays opaque.
struct ICoreWebView2WebResourceResponse : IUnknown {};

// The runtime DLL's entry: the same work as the loader DLL's
// CreateCoreWebView2EnvironmentWithOptions, without its registry search.
using CreateEnvironmentInternal = HRESULT(STDMETHODCALLTYPE*)(BOOL check_runtime_type, INT32 runtime_kind,
                                                              LPCWSTR user_data_folder, IUnknown* options,
                                                              ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*
                                                                  handler);
inline constexpr char kCreateEnvironmentExport[] = "CreateWebViewEnvironmentWithOptionsInternal";

}  // namespace quillmar::webview2

namespace quillmar {

// IIDs of the stable 1.0 interfaces (a pre-1.0 header has a different ICoreWebView2),
// each bound to its declaration above so that no call can ask for one interface by
// another's IID.
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2Environment> =
    {0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> =
    {0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> =
    {0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2WebMessageReceivedEventHandler> =
    {0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2NavigationStartingEventHandler> =
    {0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2NewWindowRequestedEventHandler> =
    {0xD4C185FE, 0xC81C, 0x4989, {0x97, 0xAF, 0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2WebResourceRequestedEventHandler> =
    {0xAB00B74C, 0x15F1, 0x4646, {0x80, 0xE8, 0xE7, 0x63, 0x41, 0xD2, 0x5D, 0x71}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> =
    {0xB99369F3, 0x9B11, 0x47B5, {0xBC, 0x6F, 0x8E, 0x78, 0x95, 0xFC, 0xEA, 0x17}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2ExecuteScriptCompletedHandler> =
    {0x49511172, 0xCC67, 0x4BCA, {0x99, 0x23, 0x13, 0x71, 0x12, 0xF4, 0xC4, 0xCC}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2NavigationCompletedEventHandler> =
    {0xD33A35BF, 0x1C49, 0x4F98, {0x93, 0xAB, 0x00, 0x6E, 0x05, 0x33, 0xFE, 0x1C}};
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2ProcessFailedEventHandler> =
    {0x79E0AEA4, 0x990B, 0x42D9, {0xAA, 0x1D, 0x0F, 0xCC, 0x2E, 0x5B, 0xC7, 0xF1}};
// Not every runtime has it (it came with 1.0.864): asked for, never assumed.
template <>
inline constexpr GUID kInterfaceId<webview2::ICoreWebView2Settings3> =
    {0xFDB5AB74, 0xAF33, 0x4854, {0x84, 0xF0, 0x0A, 0x63, 0x1D, 0xEB, 0x5E, 0xBA}};

}  // namespace quillmar
