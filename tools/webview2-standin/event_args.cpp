#include "event_args.h"

#include <utility>

#include "com_object.h"

namespace standin {
namespace {

HRESULT give_string(const std::wstring& text, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = task_string(text);
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

// ---- NavigationStarting ----

HRESULT STDMETHODCALLTYPE navigation_get_uri(ICoreWebView2NavigationStartingEventArgs* self, LPWSTR* uri) {
  record_call("ICoreWebView2NavigationStartingEventArgs.get_Uri");
  return give_string(object_of<NavigationStartingArgs>(self)->uri, uri);
}

HRESULT STDMETHODCALLTYPE navigation_get_cancel(ICoreWebView2NavigationStartingEventArgs* self, BOOL* cancel) {
  record_call("ICoreWebView2NavigationStartingEventArgs.get_Cancel");
  if (cancel == nullptr) return E_POINTER;
  *cancel = object_of<NavigationStartingArgs>(self)->cancel;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE navigation_put_cancel(ICoreWebView2NavigationStartingEventArgs* self, BOOL cancel) {
  record_call("ICoreWebView2NavigationStartingEventArgs.put_Cancel(" + std::to_string(cancel) + ")");
  object_of<NavigationStartingArgs>(self)->cancel = cancel;
  return S_OK;
}

constexpr ICoreWebView2NavigationStartingEventArgsVtbl kNavigationVtbl = {
    .QueryInterface = query_interface<NavigationStartingArgs>,
    .AddRef = add_ref<NavigationStartingArgs>,
    .Release = release<NavigationStartingArgs>,
    .get_Uri = navigation_get_uri,
    .get_IsUserInitiated = unexpected_call<NavigationStartingArgs, 4>,
    .get_IsRedirected = unexpected_call<NavigationStartingArgs, 5>,
    .get_RequestHeaders = unexpected_call<NavigationStartingArgs, 6>,
    .get_Cancel = navigation_get_cancel,
    .put_Cancel = navigation_put_cancel,
    .get_NavigationId = unexpected_call<NavigationStartingArgs, 9>,
};

// ---- NewWindowRequested ----

HRESULT STDMETHODCALLTYPE new_window_get_uri(ICoreWebView2NewWindowRequestedEventArgs* self, LPWSTR* uri) {
  record_call("ICoreWebView2NewWindowRequestedEventArgs.get_Uri");
  return give_string(object_of<NewWindowRequestedArgs>(self)->uri, uri);
}

HRESULT STDMETHODCALLTYPE new_window_put_new_window(ICoreWebView2NewWindowRequestedEventArgs* self,
                                                    ICoreWebView2* window) {
  record_call("ICoreWebView2NewWindowRequestedEventArgs.put_NewWindow");
  object_of<NewWindowRequestedArgs>(self)->new_window_given = window != nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE new_window_put_handled(ICoreWebView2NewWindowRequestedEventArgs* self, BOOL handled) {
  record_call("ICoreWebView2NewWindowRequestedEventArgs.put_Handled(" + std::to_string(handled) + ")");
  object_of<NewWindowRequestedArgs>(self)->handled = handled;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE new_window_get_handled(ICoreWebView2NewWindowRequestedEventArgs* self, BOOL* handled) {
  record_call("ICoreWebView2NewWindowRequestedEventArgs.get_Handled");
  if (handled == nullptr) return E_POINTER;
  *handled = object_of<NewWindowRequestedArgs>(self)->handled;
  return S_OK;
}

constexpr ICoreWebView2NewWindowRequestedEventArgsVtbl kNewWindowVtbl = {
    .QueryInterface = query_interface<NewWindowRequestedArgs>,
    .AddRef = add_ref<NewWindowRequestedArgs>,
    .Release = release<NewWindowRequestedArgs>,
    .get_Uri = new_window_get_uri,
    .put_NewWindow = new_window_put_new_window,
    .get_NewWindow = unexpected_call<NewWindowRequestedArgs, 5>,
    .put_Handled = new_window_put_handled,
    .get_Handled = new_window_get_handled,
    .get_IsUserInitiated = unexpected_call<NewWindowRequestedArgs, 8>,
    .GetDeferral = unexpected_call<NewWindowRequestedArgs, 9>,
    .get_WindowFeatures = unexpected_call<NewWindowRequestedArgs, 10>,
};

// ---- WebMessageReceived ----

HRESULT STDMETHODCALLTYPE message_get_source(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* source) {
  record_call("ICoreWebView2WebMessageReceivedEventArgs.get_Source");
  return give_string(object_of<WebMessageReceivedArgs>(self)->source, source);
}

// The page posts strings only, so the JSON form is the text as a JSON string.
HRESULT STDMETHODCALLTYPE message_get_json(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* json) {
  record_call("ICoreWebView2WebMessageReceivedEventArgs.get_WebMessageAsJson");
  std::wstring quoted_text = L"\"";
  for (wchar_t c : object_of<WebMessageReceivedArgs>(self)->text) {
    if (c == L'"' || c == L'\\') quoted_text += L'\\';
    quoted_text += c;
  }
  return give_string(quoted_text + L"\"", json);
}

HRESULT STDMETHODCALLTYPE message_try_get_string(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* text) {
  record_call("ICoreWebView2WebMessageReceivedEventArgs.TryGetWebMessageAsString");
  return give_string(object_of<WebMessageReceivedArgs>(self)->text, text);
}

constexpr ICoreWebView2WebMessageReceivedEventArgsVtbl kMessageVtbl = {
    .QueryInterface = query_interface<WebMessageReceivedArgs>,
    .AddRef = add_ref<WebMessageReceivedArgs>,
    .Release = release<WebMessageReceivedArgs>,
    .get_Source = message_get_source,
    .get_WebMessageAsJson = message_get_json,
    .TryGetWebMessageAsString = message_try_get_string,
};

// ---- WebResourceRequested and its request ----

HRESULT STDMETHODCALLTYPE request_get_uri(ICoreWebView2WebResourceRequest* self, LPWSTR* uri) {
  record_call("ICoreWebView2WebResourceRequest.get_Uri");
  return give_string(object_of<WebResourceRequest>(self)->uri, uri);
}

HRESULT STDMETHODCALLTYPE request_get_method(ICoreWebView2WebResourceRequest*, LPWSTR* method) {
  record_call("ICoreWebView2WebResourceRequest.get_Method");
  return give_string(L"GET", method);
}

constexpr ICoreWebView2WebResourceRequestVtbl kRequestVtbl = {
    .QueryInterface = query_interface<WebResourceRequest>,
    .AddRef = add_ref<WebResourceRequest>,
    .Release = release<WebResourceRequest>,
    .get_Uri = request_get_uri,
    .put_Uri = unexpected_call<WebResourceRequest, 4>,
    .get_Method = request_get_method,
    .put_Method = unexpected_call<WebResourceRequest, 6>,
    .get_Content = unexpected_call<WebResourceRequest, 7>,
    .put_Content = unexpected_call<WebResourceRequest, 8>,
    .get_Headers = unexpected_call<WebResourceRequest, 9>,
};

HRESULT STDMETHODCALLTYPE resource_get_request(ICoreWebView2WebResourceRequestedEventArgs* self,
                                               ICoreWebView2WebResourceRequest** request) {
  record_call("ICoreWebView2WebResourceRequestedEventArgs.get_Request");
  if (request == nullptr) return E_POINTER;
  WebResourceRequest* own = object_of<WebResourceRequestedArgs>(self)->request;
  InterlockedIncrement(&own->references);
  *request = reinterpret_cast<ICoreWebView2WebResourceRequest*>(own);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE resource_get_response(ICoreWebView2WebResourceRequestedEventArgs* self,
                                                ICoreWebView2WebResourceResponse** response) {
  record_call("ICoreWebView2WebResourceRequestedEventArgs.get_Response");
  if (response == nullptr) return E_POINTER;
  *response = object_of<WebResourceRequestedArgs>(self)->response;
  if (*response != nullptr) (*response)->lpVtbl->AddRef(*response);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE resource_put_response(ICoreWebView2WebResourceRequestedEventArgs* self,
                                                ICoreWebView2WebResourceResponse* response) {
  record_call("ICoreWebView2WebResourceRequestedEventArgs.put_Response");
  auto* args = object_of<WebResourceRequestedArgs>(self);
  if (response != nullptr) response->lpVtbl->AddRef(response);
  if (args->response != nullptr) args->response->lpVtbl->Release(args->response);
  args->response = response;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE resource_get_context(ICoreWebView2WebResourceRequestedEventArgs* self, INT32* context) {
  record_call("ICoreWebView2WebResourceRequestedEventArgs.get_ResourceContext");
  if (context == nullptr) return E_POINTER;
  *context = object_of<WebResourceRequestedArgs>(self)->context;
  return S_OK;
}

ULONG STDMETHODCALLTYPE resource_release(ICoreWebView2WebResourceRequestedEventArgs* self) {
  auto* args = object_of<WebResourceRequestedArgs>(self);
  const LONG left = InterlockedDecrement(&args->references);
  if (left == 0) {
    args->request->lpVtbl->Release(reinterpret_cast<ICoreWebView2WebResourceRequest*>(args->request));
    if (args->response != nullptr) args->response->lpVtbl->Release(args->response);
    delete args;
  }
  return static_cast<ULONG>(left);
}

constexpr ICoreWebView2WebResourceRequestedEventArgsVtbl kResourceVtbl = {
    .QueryInterface = query_interface<WebResourceRequestedArgs>,
    .AddRef = add_ref<WebResourceRequestedArgs>,
    .Release = resource_release,
    .get_Request = resource_get_request,
    .get_Response = resource_get_response,
    .put_Response = resource_put_response,
    .GetDeferral = unexpected_call<WebResourceRequestedArgs, 6>,
    .get_ResourceContext = resource_get_context,
};

// ---- NavigationCompleted and ProcessFailed ----

HRESULT STDMETHODCALLTYPE completed_get_is_success(ICoreWebView2NavigationCompletedEventArgs*, BOOL* success) {
  record_call("ICoreWebView2NavigationCompletedEventArgs.get_IsSuccess");
  if (success == nullptr) return E_POINTER;
  *success = TRUE;
  return S_OK;
}

constexpr ICoreWebView2NavigationCompletedEventArgsVtbl kCompletedVtbl = {
    .QueryInterface = query_interface<NavigationCompletedArgs>,
    .AddRef = add_ref<NavigationCompletedArgs>,
    .Release = release<NavigationCompletedArgs>,
    .get_IsSuccess = completed_get_is_success,
    .get_WebErrorStatus = unexpected_call<NavigationCompletedArgs, 4>,
    .get_NavigationId = unexpected_call<NavigationCompletedArgs, 5>,
};

HRESULT STDMETHODCALLTYPE failed_get_kind(ICoreWebView2ProcessFailedEventArgs* self, INT32* kind) {
  record_call("ICoreWebView2ProcessFailedEventArgs.get_ProcessFailedKind");
  if (kind == nullptr) return E_POINTER;
  *kind = object_of<ProcessFailedArgs>(self)->kind;
  return S_OK;
}

constexpr ICoreWebView2ProcessFailedEventArgsVtbl kFailedVtbl = {
    .QueryInterface = query_interface<ProcessFailedArgs>,
    .AddRef = add_ref<ProcessFailedArgs>,
    .Release = release<ProcessFailedArgs>,
    .get_ProcessFailedKind = failed_get_kind,
};

}  // namespace

NavigationCompletedArgs* new_navigation_completed_args() { return new NavigationCompletedArgs{&kCompletedVtbl, 1}; }

ProcessFailedArgs* new_process_failed_args(INT32 kind) { return new ProcessFailedArgs{&kFailedVtbl, 1, kind}; }

NavigationStartingArgs* new_navigation_starting_args(std::wstring uri) {
  return new NavigationStartingArgs{&kNavigationVtbl, 1, std::move(uri), FALSE};
}

NewWindowRequestedArgs* new_new_window_requested_args(std::wstring uri) {
  return new NewWindowRequestedArgs{&kNewWindowVtbl, 1, std::move(uri), FALSE, false};
}

WebMessageReceivedArgs* new_web_message_received_args(std::wstring source, std::wstring text) {
  return new WebMessageReceivedArgs{&kMessageVtbl, 1, std::move(source), std::move(text)};
}

WebResourceRequestedArgs* new_web_resource_requested_args(std::wstring uri, INT32 context) {
  auto* request = new WebResourceRequest{&kRequestVtbl, 1, std::move(uri)};
  return new WebResourceRequestedArgs{&kResourceVtbl, 1, request, nullptr, context};
}

}  // namespace standin
