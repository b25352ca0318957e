// ICoreWebView2 and its settings: records what the installer sets up, keeps its
// handlers, and hands navigation and scripts to the scripted page.

#include <string>

#include "com_object.h"
#include "page_player.h"
#include "runtime_state.h"
#include "ui_thread.h"

namespace standin {
namespace {

struct WebView {
  const ICoreWebView2Vtbl* lpVtbl;
  LONG references;

  static constexpr GUID kIid = kIidWebView;
  static constexpr char kName[] = "ICoreWebView2";
};

// Defaults of a fresh web view: everything on.
struct Settings {
  const ICoreWebView2SettingsVtbl* lpVtbl;
  LONG references;
  BOOL values[10];

  static constexpr GUID kIid = kIidSettings;
  static constexpr char kName[] = "ICoreWebView2Settings";
};

constexpr const char* kSettingNames[10] = {
    "IsScriptEnabled",         "IsWebMessageEnabled",         "AreDefaultScriptDialogsEnabled",
    "IsStatusBarEnabled",      "AreDevToolsEnabled",          "AreDefaultContextMenusEnabled",
    "AreHostObjectsAllowed",   "IsZoomControlEnabled",        "IsBuiltInErrorPageEnabled",
    "AreBrowserAcceleratorKeysEnabled",
};

// A runtime new enough to have ICoreWebView2Settings3 answers for it and for
// Settings2 with the same object; the query is recorded, since a host must ask.
HRESULT STDMETHODCALLTYPE query_settings(ICoreWebView2Settings* self, REFIID iid, void** result) {
  if (result != nullptr && (IsEqualIID(iid, kIidSettings2) || IsEqualIID(iid, kIidSettings3))) {
    record_call(std::string("ICoreWebView2Settings.QueryInterface(ICoreWebView2Settings") +
                (IsEqualIID(iid, kIidSettings3) ? "3" : "2") + ")");
    add_ref<Settings>(self);
    *result = self;
    return S_OK;
  }
  return query_interface<Settings>(self, iid, result);
}

template <int Index>
HRESULT STDMETHODCALLTYPE get_setting(ICoreWebView2Settings* self, BOOL* value) {
  record_call(std::string("ICoreWebView2Settings.get_") + kSettingNames[Index]);
  if (value == nullptr) return E_POINTER;
  *value = object_of<Settings>(self)->values[Index];
  return S_OK;
}

template <int Index>
HRESULT STDMETHODCALLTYPE put_setting(ICoreWebView2Settings* self, BOOL value) {
  record_call(std::string(Index == 9 ? "ICoreWebView2Settings3.put_" : "ICoreWebView2Settings.put_") +
              kSettingNames[Index] + "(" + std::to_string(value) + ")");
  object_of<Settings>(self)->values[Index] = value;
  return S_OK;
}

constexpr ICoreWebView2SettingsVtbl kSettingsVtbl = {
    .QueryInterface = query_settings,
    .AddRef = add_ref<Settings>,
    .Release = release<Settings>,
    .get_IsScriptEnabled = get_setting<0>,
    .put_IsScriptEnabled = put_setting<0>,
    .get_IsWebMessageEnabled = get_setting<1>,
    .put_IsWebMessageEnabled = put_setting<1>,
    .get_AreDefaultScriptDialogsEnabled = get_setting<2>,
    .put_AreDefaultScriptDialogsEnabled = put_setting<2>,
    .get_IsStatusBarEnabled = get_setting<3>,
    .put_IsStatusBarEnabled = put_setting<3>,
    .get_AreDevToolsEnabled = get_setting<4>,
    .put_AreDevToolsEnabled = put_setting<4>,
    .get_AreDefaultContextMenusEnabled = get_setting<5>,
    .put_AreDefaultContextMenusEnabled = put_setting<5>,
    .get_AreHostObjectsAllowed = get_setting<6>,
    .put_AreHostObjectsAllowed = put_setting<6>,
    .get_IsZoomControlEnabled = get_setting<7>,
    .put_IsZoomControlEnabled = put_setting<7>,
    .get_IsBuiltInErrorPageEnabled = get_setting<8>,
    .put_IsBuiltInErrorPageEnabled = put_setting<8>,
    .get_UserAgent = unexpected_call<Settings, 21>,
    .put_UserAgent = unexpected_call<Settings, 22>,
    .get_AreBrowserAcceleratorKeysEnabled = get_setting<9>,
    .put_AreBrowserAcceleratorKeysEnabled = put_setting<9>,
};

ICoreWebView2Settings* the_settings() {
  static Settings settings{&kSettingsVtbl, 1, {TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE}};
  return reinterpret_cast<ICoreWebView2Settings*>(&settings);
}

HRESULT STDMETHODCALLTYPE get_settings(ICoreWebView2*, ICoreWebView2Settings** settings) {
  record_call("ICoreWebView2.get_Settings");
  if (settings == nullptr) return E_POINTER;
  *settings = the_settings();
  (*settings)->lpVtbl->AddRef(*settings);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE navigate(ICoreWebView2*, LPCWSTR uri) {
  record_call("ICoreWebView2.Navigate(" + quoted(uri) + ")");
  if (uri == nullptr) return E_INVALIDARG;
  runtime_state().navigated = true;
  post_to_ui([start = std::wstring(uri)] { play_page(start); });
  return S_OK;
}

INT64 next_token = 1;

// Keeps HANDLER (one reference) in HANDLERS and gives out a fresh token.
template <class Handler>
HRESULT add_handler(std::vector<Handler*>& handlers, Handler* handler, EventRegistrationTokenValue* token, REFIID iid,
                    const char* event) {
  record_call(std::string("ICoreWebView2.add_") + event);
  if (handler == nullptr || token == nullptr) return E_POINTER;
  check_handler_iid(handler, iid, (std::string(event) + " handler").c_str());
  handler->lpVtbl->AddRef(handler);
  handlers.push_back(handler);
  token->value = next_token++;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE add_navigation_starting(ICoreWebView2*, NavigationStartingHandler* handler,
                                                  EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().navigation_handlers, handler, token, kIidNavigationStartingHandler,
                     "NavigationStarting");
}

HRESULT STDMETHODCALLTYPE add_navigation_completed(ICoreWebView2*, NavigationCompletedHandler* handler,
                                                   EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().completed_handlers, handler, token, kIidNavigationCompletedHandler,
                     "NavigationCompleted");
}

HRESULT STDMETHODCALLTYPE add_process_failed(ICoreWebView2*, ProcessFailedHandler* handler,
                                             EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().process_failed_handlers, handler, token, kIidProcessFailedHandler,
                     "ProcessFailed");
}

// The page loads again from its start, later, as the runtime reloads.
HRESULT STDMETHODCALLTYPE reload(ICoreWebView2*) {
  record_call("ICoreWebView2.Reload");
  post_to_ui(reload_page);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE add_web_message_received(ICoreWebView2*, WebMessageReceivedHandler* handler,
                                                   EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().message_handlers, handler, token, kIidWebMessageReceivedHandler,
                     "WebMessageReceived");
}

HRESULT STDMETHODCALLTYPE add_new_window_requested(ICoreWebView2*, NewWindowRequestedHandler* handler,
                                                   EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().new_window_handlers, handler, token, kIidNewWindowRequestedHandler,
                     "NewWindowRequested");
}

HRESULT STDMETHODCALLTYPE add_web_resource_requested(ICoreWebView2*, WebResourceRequestedHandler* handler,
                                                     EventRegistrationTokenValue* token) {
  return add_handler(runtime_state().resource_handlers, handler, token, kIidWebResourceRequestedHandler,
                     "WebResourceRequested");
}

HRESULT STDMETHODCALLTYPE add_resource_filter(ICoreWebView2*, LPCWSTR uri, INT32 context) {
  record_call("ICoreWebView2.AddWebResourceRequestedFilter(" + quoted(uri) + ", " + std::to_string(context) + ")");
  if (uri == nullptr) return E_INVALIDARG;
  runtime_state().resource_filters.emplace_back(uri);
  return S_OK;
}

int scripts_added = 0;

HRESULT STDMETHODCALLTYPE add_document_script(ICoreWebView2*, LPCWSTR script, AddScriptCompletedHandler* handler) {
  record_call("ICoreWebView2.AddScriptToExecuteOnDocumentCreated(" + quoted(script) + ")");
  if (script == nullptr) return E_INVALIDARG;
  RuntimeState& state = runtime_state();
  // A script added once the navigation began only reaches later documents.
  if (state.navigated) {
    record("page: a document script added after the navigation misses this page");
  } else {
    state.document_scripts.emplace_back(script);
  }
  if (handler == nullptr) return S_OK;
  check_handler_iid(handler, kIidAddScriptCompletedHandler, "AddScriptToExecuteOnDocumentCreated handler");
  const std::wstring id = L"script-" + std::to_wstring(++scripts_added);
  complete_later(handler, [id](AddScriptCompletedHandler* done) { done->lpVtbl->Invoke(done, S_OK, id.c_str()); });
  return S_OK;
}

HRESULT STDMETHODCALLTYPE execute_script(ICoreWebView2*, LPCWSTR script, ExecuteScriptCompletedHandler* handler) {
  record_call("ICoreWebView2.ExecuteScript(" + quoted(script) + ")");
  if (script == nullptr) return E_INVALIDARG;
  page_ran_script(narrow(script));
  if (handler == nullptr) return S_OK;
  check_handler_iid(handler, kIidExecuteScriptCompletedHandler, "ExecuteScript handler");
  // The page's event function returns nothing, which the runtime reports as null.
  complete_later(handler, [](ExecuteScriptCompletedHandler* done) { done->lpVtbl->Invoke(done, S_OK, L"null"); });
  return S_OK;
}

constexpr ICoreWebView2Vtbl kWebViewVtbl = {
    .QueryInterface = query_interface<WebView>,
    .AddRef = add_ref<WebView>,
    .Release = release<WebView>,
    .get_Settings = get_settings,
    .get_Source = unexpected_call<WebView, 4>,
    .Navigate = navigate,
    .NavigateToString = unexpected_call<WebView, 6>,
    .add_NavigationStarting = add_navigation_starting,
    .remove_NavigationStarting = unexpected_call<WebView, 8>,
    .add_ContentLoading = unexpected_call<WebView, 9>,
    .remove_ContentLoading = unexpected_call<WebView, 10>,
    .add_SourceChanged = unexpected_call<WebView, 11>,
    .remove_SourceChanged = unexpected_call<WebView, 12>,
    .add_HistoryChanged = unexpected_call<WebView, 13>,
    .remove_HistoryChanged = unexpected_call<WebView, 14>,
    .add_NavigationCompleted = add_navigation_completed,
    .remove_NavigationCompleted = unexpected_call<WebView, 16>,
    .add_FrameNavigationStarting = unexpected_call<WebView, 17>,
    .remove_FrameNavigationStarting = unexpected_call<WebView, 18>,
    .add_FrameNavigationCompleted = unexpected_call<WebView, 19>,
    .remove_FrameNavigationCompleted = unexpected_call<WebView, 20>,
    .add_ScriptDialogOpening = unexpected_call<WebView, 21>,
    .remove_ScriptDialogOpening = unexpected_call<WebView, 22>,
    .add_PermissionRequested = unexpected_call<WebView, 23>,
    .remove_PermissionRequested = unexpected_call<WebView, 24>,
    .add_ProcessFailed = add_process_failed,
    .remove_ProcessFailed = unexpected_call<WebView, 26>,
    .AddScriptToExecuteOnDocumentCreated = add_document_script,
    .RemoveScriptToExecuteOnDocumentCreated = unexpected_call<WebView, 28>,
    .ExecuteScript = execute_script,
    .CapturePreview = unexpected_call<WebView, 30>,
    .Reload = reload,
    .PostWebMessageAsJson = unexpected_call<WebView, 32>,
    .PostWebMessageAsString = unexpected_call<WebView, 33>,
    .add_WebMessageReceived = add_web_message_received,
    .remove_WebMessageReceived = unexpected_call<WebView, 35>,
    .CallDevToolsProtocolMethod = unexpected_call<WebView, 36>,
    .get_BrowserProcessId = unexpected_call<WebView, 37>,
    .get_CanGoBack = unexpected_call<WebView, 38>,
    .get_CanGoForward = unexpected_call<WebView, 39>,
    .GoBack = unexpected_call<WebView, 40>,
    .GoForward = unexpected_call<WebView, 41>,
    .GetDevToolsProtocolEventReceiver = unexpected_call<WebView, 42>,
    .Stop = unexpected_call<WebView, 43>,
    .add_NewWindowRequested = add_new_window_requested,
    .remove_NewWindowRequested = unexpected_call<WebView, 45>,
    .add_DocumentTitleChanged = unexpected_call<WebView, 46>,
    .remove_DocumentTitleChanged = unexpected_call<WebView, 47>,
    .get_DocumentTitle = unexpected_call<WebView, 48>,
    .AddHostObjectToScript = unexpected_call<WebView, 49>,
    .RemoveHostObjectFromScript = unexpected_call<WebView, 50>,
    .OpenDevToolsWindow = unexpected_call<WebView, 51>,
    .add_ContainsFullScreenElementChanged = unexpected_call<WebView, 52>,
    .remove_ContainsFullScreenElementChanged = unexpected_call<WebView, 53>,
    .get_ContainsFullScreenElement = unexpected_call<WebView, 54>,
    .add_WebResourceRequested = add_web_resource_requested,
    .remove_WebResourceRequested = unexpected_call<WebView, 56>,
    .AddWebResourceRequestedFilter = add_resource_filter,
    .RemoveWebResourceRequestedFilter = unexpected_call<WebView, 58>,
    .add_WindowCloseRequested = unexpected_call<WebView, 59>,
    .remove_WindowCloseRequested = unexpected_call<WebView, 60>,
};

}  // namespace

ICoreWebView2* make_web_view() { return reinterpret_cast<ICoreWebView2*>(new WebView{&kWebViewVtbl, 1}); }

RuntimeState& runtime_state() {
  static RuntimeState state;
  return state;
}

namespace {
template <class Handler>
void release_all(std::vector<Handler*>& handlers) {
  for (Handler* handler : handlers) handler->lpVtbl->Release(handler);
  handlers.clear();
}
}  // namespace

void reset_runtime_state() {
  RuntimeState& state = runtime_state();
  release_all(state.navigation_handlers);
  release_all(state.message_handlers);
  release_all(state.new_window_handlers);
  release_all(state.resource_handlers);
  release_all(state.completed_handlers);
  release_all(state.process_failed_handlers);
  if (state.web_view != nullptr) state.web_view->lpVtbl->Release(state.web_view);
  state = RuntimeState{};
}

}  // namespace standin
