// The two exports a loader looks for in EmbeddedBrowserWebView.dll. The installer
// enters through the internal one exactly as it would enter the real runtime.

#include <shlobj.h>

#include <cwchar>

#include <string>

#include "com_object.h"
#include "runtime_state.h"
#include "ui_thread.h"

namespace standin {
namespace {

std::string apartment_description() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  const HRESULT result = CoGetApartmentType(&type, &qualifier);
  if (FAILED(result)) return "no COM apartment (" + hresult_text(result) + ")";
  if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) return "single-threaded apartment";
  return "not a single-threaded apartment (type " + std::to_string(type) + ")";
}

std::string options_description(IUnknown* options) {
  if (options == nullptr) return "no options";
  ICoreWebView2EnvironmentOptions* typed = nullptr;
  if (FAILED(options->QueryInterface(kIidEnvironmentOptions, reinterpret_cast<void**>(&typed))) || typed == nullptr) {
    return "options without ICoreWebView2EnvironmentOptions";
  }
  LPWSTR arguments = nullptr;
  typed->lpVtbl->get_AdditionalBrowserArguments(typed, &arguments);
  std::string text = "options with browser arguments " + quoted(arguments);
  CoTaskMemFree(arguments);
  typed->lpVtbl->Release(typed);
  return text;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    int check_runtime_type, int runtime_kind, PCWSTR user_data_folder, IUnknown* options,
    EnvironmentCompletedHandler* handler) {
  // Only the low byte of the flag is defined when a caller passes a C++ bool.
  record("CreateWebViewEnvironmentWithOptionsInternal(" + std::to_string(check_runtime_type & 0xff) + ", " +
         std::to_string(runtime_kind) + ", " + quoted(user_data_folder) + ", " + options_description(options) + ")");
  record("the calling thread is in a " + apartment_description());
  if (handler == nullptr) return E_POINTER;
  // A runtime the machine's policy forbids refuses here; QUILLMAR_STANDIN_REFUSE
  // names the HRESULT it answers with, in hexadecimal.
  if (const wchar_t* refuse = _wgetenv(L"QUILLMAR_STANDIN_REFUSE"); refuse != nullptr && *refuse != L'\0') {
    const auto code = static_cast<HRESULT>(wcstoul(refuse, nullptr, 16));
    record("the runtime refuses: " + hresult_text(code));
    return code;
  }
  if (!adopt_ui_thread()) return HRESULT_FROM_WIN32(GetLastError());
  // Asked again once the browser process has ended: everything starts afresh.
  if (runtime_state().web_view != nullptr) {
    record("a new environment replaces the one whose browser process ended");
    reset_runtime_state();
  }
  check_handler_iid(handler, kIidEnvironmentCompletedHandler, "environment-completed handler");
  // The runtime makes the user data folder when it is missing.
  if (user_data_folder != nullptr) SHCreateDirectoryExW(nullptr, user_data_folder, nullptr);
  complete_later(handler, [](EnvironmentCompletedHandler* done) {
    ICoreWebView2Environment* environment = make_environment();
    record("environment created");
    done->lpVtbl->Invoke(done, S_OK, environment);
    environment->lpVtbl->Release(environment);
  });
  return S_OK;
}

// Stays loaded: the environment and its objects live until the process ends.
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  record("DllCanUnloadNow");
  return S_FALSE;
}
