// ICoreWebView2Environment: makes the controller (asynchronously, as the runtime
// does) and the responses the installer's resource handler answers with.

#include <string>

#include "com_object.h"
#include "runtime_state.h"

namespace standin {
namespace {

struct Environment {
  const ICoreWebView2EnvironmentVtbl* lpVtbl;
  LONG references;

  static constexpr GUID kIid = kIidEnvironment;
  static constexpr char kName[] = "ICoreWebView2Environment";
};

std::string window_description(HWND window) {
  if (!IsWindow(window)) return "no window";
  wchar_t title[256] = L"";
  GetWindowTextW(window, title, 256);
  RECT client{};
  GetClientRect(window, &client);
  return "window " + quoted(title) + ", client " + std::to_string(client.right - client.left) + "x" +
         std::to_string(client.bottom - client.top);
}

HRESULT STDMETHODCALLTYPE create_controller(ICoreWebView2Environment*, HWND parent,
                                            ControllerCompletedHandler* handler) {
  record_call("ICoreWebView2Environment.CreateCoreWebView2Controller(" + window_description(parent) + ")");
  if (handler == nullptr) return E_POINTER;
  check_handler_iid(handler, kIidControllerCompletedHandler, "controller-completed handler");
  complete_later(handler, [parent](ControllerCompletedHandler* done) {
    ICoreWebView2Controller* controller = make_controller(parent);
    record("controller created");
    done->lpVtbl->Invoke(done, S_OK, controller);
  });
  return S_OK;
}

Response* new_response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers);

HRESULT STDMETHODCALLTYPE create_response(ICoreWebView2Environment*, IStream* content, int status, LPCWSTR reason,
                                          LPCWSTR headers, ICoreWebView2WebResourceResponse** response) {
  record_call("ICoreWebView2Environment.CreateWebResourceResponse(" + std::string(content ? "stream" : "no body") +
              ", " + std::to_string(status) + ", " + quoted(reason) + ", " + quoted(headers) + ")");
  if (response == nullptr) return E_POINTER;
  if (runtime_state().fail_response_creation) {
    record("page: the runtime fails to create the response");
    *response = nullptr;
    return E_OUTOFMEMORY;
  }
  *response = reinterpret_cast<ICoreWebView2WebResourceResponse*>(new_response(content, status, reason, headers));
  return S_OK;
}

constexpr ICoreWebView2EnvironmentVtbl kEnvironmentVtbl = {
    .QueryInterface = query_interface<Environment>,
    .AddRef = add_ref<Environment>,
    .Release = release<Environment>,
    .CreateCoreWebView2Controller = create_controller,
    .CreateWebResourceResponse = create_response,
    .get_BrowserVersionString = unexpected_call<Environment, 5>,
    .add_NewBrowserVersionAvailable = unexpected_call<Environment, 6>,
    .remove_NewBrowserVersionAvailable = unexpected_call<Environment, 7>,
};

ULONG STDMETHODCALLTYPE release_response(ICoreWebView2WebResourceResponse* self) {
  Response* response = object_of<Response>(self);
  const LONG left = InterlockedDecrement(&response->references);
  if (left == 0) {
    if (response->content != nullptr) response->content->Release();
    delete response;
  }
  return static_cast<ULONG>(left);
}

constexpr ICoreWebView2WebResourceResponseVtbl kResponseVtbl = {
    .QueryInterface = query_interface<Response>,
    .AddRef = add_ref<Response>,
    .Release = release_response,
    .get_Content = unexpected_call<Response, 3>,
    .put_Content = unexpected_call<Response, 4>,
    .get_Headers = unexpected_call<Response, 5>,
    .get_StatusCode = unexpected_call<Response, 6>,
    .put_StatusCode = unexpected_call<Response, 7>,
    .get_ReasonPhrase = unexpected_call<Response, 8>,
    .put_ReasonPhrase = unexpected_call<Response, 9>,
};

Response* new_response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers) {
  if (content != nullptr) content->AddRef();
  return new Response{&kResponseVtbl, 1, content, status, reason ? reason : L"", headers ? headers : L""};
}

}  // namespace

ICoreWebView2Environment* make_environment() {
  return reinterpret_cast<ICoreWebView2Environment*>(new Environment{&kEnvironmentVtbl, 1});
}

}  // namespace standin
