#include "main/window/web_view_win.h"

#include <shlwapi.h>

#include <memory>
#include <optional>
#include <string_view>
#include <variant>

#include "main/bridge/asset_server.h"
#include "main/window/web_view_failure.h"
#include "main/window/com_callback_win.h"
#include "main/window/com_ptr_win.h"
#include "main/window/restart_limit.h"
#include "main/window/webview2_abi_win.h"
#include "main/window/webview2_runtime_win.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

namespace wv = webview2;

// WebView2 exposes a custom protocol as a host under .localhost; the page uses only
// relative paths, so nothing in it depends on the form.
constexpr wchar_t kAppOrigin[] = L"http://quillmar.localhost/";
constexpr wchar_t kStartUrl[] = L"http://quillmar.localhost/index.html";
constexpr wchar_t kAssetFilter[] = L"http://quillmar.localhost/*";

// The page posts through window.ipc.postMessage on every platform; here it leads to
// the runtime's own channel. Frozen, so a page script cannot replace it.
constexpr char kIpcScript[] =
    "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
    "window.chrome.webview.postMessage(s) }) });";

// A string the runtime allocated for the caller, freed with CoTaskMemFree.
class RuntimeString {
 public:
  RuntimeString() = default;
  RuntimeString(const RuntimeString&) = delete;
  RuntimeString& operator=(const RuntimeString&) = delete;
  ~RuntimeString() { CoTaskMemFree(text_); }
  LPWSTR* receive() { return &text_; }
  std::string utf8() const { return text_ ? wide_to_utf8(text_) : std::string(); }

 private:
  LPWSTR text_ = nullptr;
};

Error step_failed(std::string_view step, HRESULT code, std::string_view detail = {}) {
  return Error{web_view_failure_text(step, static_cast<std::uint32_t>(code), detail)};
}

// The outcome of one asynchronous call, filled in by its completion handler.
template <typename Value = std::monostate>
struct Completion {
  bool done = false;
  HRESULT code = E_PENDING;
  Value value{};
};

// A new completion handler of type HANDLER that records in COMPLETION that the call
// ended and with which code. Every completion handler of the runtime is
// Invoke(HRESULT, result); the result is borrowed for the length of the call, so on
// success KEEP(result, value) takes its own hold of what the caller needs into the
// completion's value, and returns a failure of its own if it cannot. COMPLETION is
// shared with the handler because the runtime may keep the handler, and call it,
// after the caller stopped waiting.
template <typename Handler, typename Value, typename Keep>
ComPtr<Handler> completion_handler(std::shared_ptr<Completion<Value>> completion, Keep keep) {
  return ComPtr<Handler>::adopt(make_com_callback<Handler>(
      [completion = std::move(completion), keep = std::move(keep)](HRESULT code, auto result) -> HRESULT {
        completion->done = true;
        completion->code = code;
        if (SUCCEEDED(code)) {
          if (HRESULT kept = keep(result, completion->value); FAILED(kept)) completion->code = kept;
        }
        return S_OK;
      }));
}

// The same for a call whose result nobody reads: only that it ended, and how.
template <typename Handler>
ComPtr<Handler> completion_handler(std::shared_ptr<Completion<>> completion) {
  return completion_handler<Handler>(std::move(completion), [](auto, std::monostate&) { return S_OK; });
}

// Response headers as the runtime takes them: one "Name: value" per line.
std::wstring header_lines(const AssetResponse& answer) {
  std::string lines;
  for (const auto& [name, value] : answer.headers) {
    if (!lines.empty()) lines += '\n';
    lines += name;
    lines += ": ";
    lines += value;
  }
  return utf8_to_wide(lines);
}

class WindowsWebView final : public WebView2Host {
 public:
  WindowsWebView(LoadedRuntime runtime, WebViewConfig config, PumpUntil pump_until,
                 std::function<void()> on_browser_exit)
      : runtime_(std::move(runtime)),
        config_(std::move(config)),
        pump_until_(std::move(pump_until)),
        on_browser_exit_(std::move(on_browser_exit)) {}

  Result<void> start(HWND window) {
    window_ = window;
    QUILLMAR_TRY(create_environment());
    QUILLMAR_TRY(create_controller(window));
    QUILLMAR_TRY(serve_assets());
    QUILLMAR_TRY(add_initialization_scripts());
    QUILLMAR_TRY(forward_page_messages());
    QUILLMAR_TRY(filter_navigation());
    QUILLMAR_TRY(follow_page_loads());
    QUILLMAR_TRY(survive_process_failures());
    QUILLMAR_TRY(refuse_new_windows());
    QUILLMAR_TRY(apply_settings());
    fit_to_client_area(window);
    if (HRESULT code = controller_->put_IsVisible(IsIconic(window) ? FALSE : TRUE); FAILED(code)) {
      return step_failed("Showing the web view", code);
    }
    if (HRESULT code = web_view_->Navigate(kStartUrl); FAILED(code)) return step_failed("Opening the start page", code);
    return {};
  }

  void run_script(const std::string& script) override {
    if (!web_view_) return;
    // Nothing waits for a script: its completion is recorded and dropped.
    auto done = completion_handler<wv::ICoreWebView2ExecuteScriptCompletedHandler>(std::make_shared<Completion<>>());
    web_view_->ExecuteScript(utf8_to_wide(script).c_str(), done.get());
  }

  void fit_to_client_area(HWND window) override {
    RECT client{};
    if (controller_ && GetClientRect(window, &client)) controller_->put_Bounds(client);
  }

  void move_focus() override {
    if (controller_) controller_->MoveFocus(wv::kMoveFocusProgrammatic);
  }

  void window_moved() override {
    if (controller_) controller_->NotifyParentWindowPositionChanged();
  }

  void set_visible(bool visible) override {
    if (controller_) controller_->put_IsVisible(visible ? TRUE : FALSE);
  }

  Result<void> restart(HWND window) override {
    if (gave_up_ || !restarts_.allow(RestartLimit::Clock::now())) {
      gave_up_ = true;
      return Error{"the web view's processes ended more than three times within a minute"};
    }
    // The old objects belong to a browser process that is gone; closing the
    // controller only lets go of its window. Every handler of theirs goes with them.
    if (controller_) controller_->Close();
    web_view_.reset();
    controller_.reset();
    not_found_.reset();
    environment_.reset();
    return start(window);
  }

 private:
  Result<void> create_environment() {
    constexpr char kStep[] = "Creating the WebView2 environment";
    auto completion = std::make_shared<Completion<ComPtr<wv::ICoreWebView2Environment>>>();
    auto handler = completion_handler<wv::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        completion, [](wv::ICoreWebView2Environment* environment, ComPtr<wv::ICoreWebView2Environment>& kept) {
          // Asked for by its own IID, so the pointer is the interface these
          // declarations describe whatever the runtime handed over.
          return environment ? kept.query_from(environment) : S_OK;
        });
    const std::wstring data_folder = config_.data_folder.native();
    const HRESULT code = wait_for(
        runtime_.create_environment(TRUE, wv::kRuntimeKindInstalled, data_folder.c_str(), nullptr, handler.get()),
        *completion);
    if (code == kBlockedByPolicy) return step_failed(kStep, code, runtime_blocked_text({}));
    if (FAILED(code)) return step_failed(kStep, code);
    if (!completion->value) return step_failed(kStep, E_POINTER);
    environment_ = completion->value;
    return {};
  }

  Result<void> create_controller(HWND window) {
    constexpr char kStep[] = "Creating the WebView2 controller";
    auto completion = std::make_shared<Completion<ComPtr<wv::ICoreWebView2Controller>>>();
    auto handler = completion_handler<wv::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        completion, [](wv::ICoreWebView2Controller* controller, ComPtr<wv::ICoreWebView2Controller>& kept) {
          kept = ComPtr<wv::ICoreWebView2Controller>::share(controller);
          return S_OK;
        });
    if (HRESULT code = wait_for(environment_->CreateCoreWebView2Controller(window, handler.get()), *completion);
        FAILED(code)) {
      return step_failed(kStep, code);
    }
    if (!completion->value) return step_failed(kStep, E_POINTER);
    controller_ = completion->value;
    if (HRESULT code = controller_->get_CoreWebView2(web_view_.receive()); FAILED(code) || !web_view_) {
      return step_failed("Getting the WebView2 from its controller", FAILED(code) ? code : E_POINTER);
    }
    return {};
  }

  // Every request under the app origin is answered here from the compiled-in table,
  // never from the network (the .localhost name would otherwise reach loopback, where
  // any local program could serve a page that gets window.ipc).
  Result<void> serve_assets() {
    constexpr char kStep[] = "Registering the quillmar.localhost request handler";
    // Made now, while nothing is short, so that a request whose own answer cannot be
    // made is still answered.
    if (HRESULT code = environment_->CreateWebResourceResponse(nullptr, 404, L"Not Found", L"", not_found_.receive());
        FAILED(code) || !not_found_) {
      return step_failed(kStep, FAILED(code) ? code : E_POINTER);
    }
    auto added = add_handler<wv::ICoreWebView2WebResourceRequestedEventHandler>(
        &wv::ICoreWebView2::add_WebResourceRequested, kStep,
        [this](wv::ICoreWebView2*, wv::ICoreWebView2WebResourceRequestedEventArgs* args) -> HRESULT {
          if (!args) return E_POINTER;
          ComPtr<wv::ICoreWebView2WebResourceResponse> response = asset_response(args);
          return args->put_Response(response ? response.get() : not_found_.get());
        });
    if (!added) return added;
    if (HRESULT code = web_view_->AddWebResourceRequestedFilter(kAssetFilter, wv::kWebResourceContextAll);
        FAILED(code)) {
      return step_failed(kStep, code);
    }
    return {};
  }

  // The asset server's answer for the request, or nothing when it cannot be made.
  // A request whose address cannot be read is answered 404.
  ComPtr<wv::ICoreWebView2WebResourceResponse> asset_response(wv::ICoreWebView2WebResourceRequestedEventArgs* args) {
    std::optional<std::string> uri;
    ComPtr<wv::ICoreWebView2WebResourceRequest> request;
    if (SUCCEEDED(args->get_Request(request.receive())) && request) {
      RuntimeString text;
      if (SUCCEEDED(request->get_Uri(text.receive()))) uri = text.utf8();
    }
    const AssetResponse answer = uri ? serve_asset(*uri, config_.assets) : AssetResponse{};

    // The stream holds its own copy of the bytes, so it may outlive this call for as
    // long as the runtime keeps it.
    ComPtr<IStream> body;
    if (!answer.body.empty()) {
      body = ComPtr<IStream>::adopt(
          SHCreateMemStream(answer.body.data(), static_cast<UINT>(answer.body.size())));
      if (!body) return {};
    }
    const wchar_t* reason = answer.status == 200 ? L"OK" : L"Not Found";
    ComPtr<wv::ICoreWebView2WebResourceResponse> response;
    if (FAILED(environment_->CreateWebResourceResponse(body.get(), answer.status, reason, header_lines(answer).c_str(),
                                                       response.receive()))) {
      return {};
    }
    return response;
  }

  // The environment first, so the page's own scripts find it already set; each is
  // confirmed before the page is opened, so none can be missing from its first load.
  Result<void> add_initialization_scripts() {
    constexpr char kStep[] = "Adding the initialization scripts";
    for (const std::string& script : {config_.initialization_script, std::string(kIpcScript)}) {
      auto completion = std::make_shared<Completion<>>();
      auto handler =
          completion_handler<wv::ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(completion);
      const HRESULT code =
          wait_for(web_view_->AddScriptToExecuteOnDocumentCreated(utf8_to_wide(script).c_str(), handler.get()),
                   *completion);
      if (FAILED(code)) return step_failed(kStep, code);
    }
    return {};
  }

  // Each text the page posts goes to the bridge unchanged; anything that is not a
  // string is dropped, as the bridge would drop it as malformed. So is every message
  // from a document outside the app origin: only the installer's own page may drive
  // the installer, whatever else a frame or a stray navigation ever shows.
  Result<void> forward_page_messages() {
    return add_handler<wv::ICoreWebView2WebMessageReceivedEventHandler>(
        &wv::ICoreWebView2::add_WebMessageReceived, "Installing the page-message handler",
        [this](wv::ICoreWebView2*, wv::ICoreWebView2WebMessageReceivedEventArgs* args) -> HRESULT {
          if (!args) return E_POINTER;
          RuntimeString source;
          if (FAILED(args->get_Source(source.receive())) || !is_app_origin(source.utf8())) return S_OK;
          RuntimeString text;
          if (FAILED(args->TryGetWebMessageAsString(text.receive()))) return S_OK;
          if (config_.on_page_message) config_.on_page_message(text.utf8());
          return S_OK;
        });
  }

  // Only the app origin may be shown: links elsewhere, a dropped file and scripted
  // redirects are all cancelled, and the page stays. A page that loads again (after
  // its renderer ended, or in a new web view) starts from nothing and asks the bridge
  // where the run stands.
  Result<void> filter_navigation() {
    return add_handler<wv::ICoreWebView2NavigationStartingEventHandler>(
        &wv::ICoreWebView2::add_NavigationStarting, "Installing the navigation filter",
        [this](wv::ICoreWebView2*, wv::ICoreWebView2NavigationStartingEventArgs* args) -> HRESULT {
          if (!args) return E_POINTER;
          RuntimeString uri;
          if (FAILED(args->get_Uri(uri.receive())) || !is_app_origin(uri.utf8())) return args->put_Cancel(TRUE);
          if (pages_loaded_++ > 0 && config_.on_page_reload) config_.on_page_reload();
          return S_OK;
        });
  }

  // The page's keys work from its first moment: Enter, Escape and Tab reach it, and
  // a screen reader starts at its heading, without a click first. Only while the
  // window is the active one, so a page loading again never takes the focus from
  // another program.
  Result<void> follow_page_loads() {
    return add_handler<wv::ICoreWebView2NavigationCompletedEventHandler>(
        &wv::ICoreWebView2::add_NavigationCompleted, "Installing the page-load handler",
        [this](wv::ICoreWebView2*, IUnknown*) -> HRESULT {
          if (GetActiveWindow() == window_) move_focus();
          return S_OK;
        });
  }

  // A renderer that ended or hangs takes the page with it, and every later event
  // would be lost: the page is loaded again. A browser process that ended takes the
  // whole web view: the window makes a new one, outside this handler, since the
  // runtime must not be waited on from inside its own callback. Both count against
  // one RestartLimit; past it, the window is told the web view is gone, and its
  // restart() refuses.
  Result<void> survive_process_failures() {
    return add_handler<wv::ICoreWebView2ProcessFailedEventHandler>(
        &wv::ICoreWebView2::add_ProcessFailed, "Installing the process-failure handler",
        [this](wv::ICoreWebView2*, wv::ICoreWebView2ProcessFailedEventArgs* args) -> HRESULT {
          INT32 kind = -1;
          if (!args || FAILED(args->get_ProcessFailedKind(&kind))) return S_OK;
          if (kind == wv::kRenderProcessExited || kind == wv::kRenderProcessUnresponsive) {
            if (!gave_up_ && restarts_.allow(RestartLimit::Clock::now())) {
              if (web_view_) web_view_->Reload();
              return S_OK;
            }
            gave_up_ = true;
            if (on_browser_exit_) on_browser_exit_();
          } else if (kind == wv::kBrowserProcessExited) {
            if (on_browser_exit_) on_browser_exit_();
          }
          // Other helper processes are started again by the runtime itself.
          return S_OK;
        });
  }

  // Handled without a new window: the page gets a window object that never loads.
  Result<void> refuse_new_windows() {
    return add_handler<wv::ICoreWebView2NewWindowRequestedEventHandler>(
        &wv::ICoreWebView2::add_NewWindowRequested, "Installing the new-window refusal",
        [](wv::ICoreWebView2*, wv::ICoreWebView2NewWindowRequestedEventArgs* args) -> HRESULT {
          return args ? args->put_Handled(TRUE) : E_POINTER;
        });
  }

  Result<void> apply_settings() {
    constexpr char kStep[] = "Applying the WebView2 settings";
    ComPtr<wv::ICoreWebView2Settings> settings;
    if (HRESULT code = web_view_->get_Settings(settings.receive()); FAILED(code) || !settings) {
      return step_failed(kStep, FAILED(code) ? code : E_POINTER);
    }
    for (HRESULT code : {settings->put_AreDevToolsEnabled(FALSE), settings->put_IsZoomControlEnabled(FALSE),
                         settings->put_IsStatusBarEnabled(FALSE), settings->put_IsScriptEnabled(TRUE),
                         settings->put_AreDefaultContextMenusEnabled(TRUE)}) {
      if (FAILED(code)) return step_failed(kStep, code);
    }
    // F5 and Ctrl+R would reload the page in the middle of a run, Ctrl+P print it
    // and Ctrl+F search it. A runtime too old to offer the switch keeps its keys; a
    // reload is survived all the same (the page asks where the run stands).
    ComPtr<wv::ICoreWebView2Settings3> settings3;
    if (SUCCEEDED(settings3.query_from(settings.get())) && settings3) {
      settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    }
    return {};
  }

  // The outcome of an asynchronous call that returned STARTED: that code if the call
  // failed, else the one its handler recorded in COMPLETION, after pumping the
  // window's messages until the handler has run; ERROR_CANCELLED if the window was
  // closed first. The handler may still run later: COMPLETION is shared with it.
  template <typename Value>
  HRESULT wait_for(HRESULT started, const Completion<Value>& completion) {
    if (FAILED(started)) return started;
    if (!pump_until_([&] { return completion.done; })) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    return completion.code;
  }

  // Registers a new handler of type HANDLER, whose Invoke is CALLABLE, through ADD
  // (one of the web view's add_* methods); STEP names a failure.
  template <typename Handler, typename Callable>
  Result<void> add_handler(HRESULT (wv::ICoreWebView2::*add)(Handler*, wv::EventToken*), std::string_view step,
                           Callable callable) {
    auto handler = ComPtr<Handler>::adopt(make_com_callback<Handler>(std::move(callable)));
    wv::EventToken token{};
    if (HRESULT code = (web_view_.get()->*add)(handler.get(), &token); FAILED(code)) return step_failed(step, code);
    return {};
  }

  // Only the app origin itself: "http://quillmar.localhost.example/" is not it.
  static bool is_app_origin(std::string_view uri) { return uri.starts_with(wide_to_utf8(kAppOrigin)); }

  LoadedRuntime runtime_;
  WebViewConfig config_;  // read by the handlers for the whole run
  PumpUntil pump_until_;
  std::function<void()> on_browser_exit_;
  HWND window_ = nullptr;
  int pages_loaded_ = 0;  // navigations to the app origin, over every web view made
  RestartLimit restarts_;  // renderer reloads and new web views alike
  bool gave_up_ = false;   // past the limit: no more restarts
  ComPtr<wv::ICoreWebView2Environment> environment_;
  ComPtr<wv::ICoreWebView2Controller> controller_;
  ComPtr<wv::ICoreWebView2> web_view_;
  ComPtr<wv::ICoreWebView2WebResourceResponse> not_found_;
};

}  // namespace

Result<std::unique_ptr<WebView2Host>> WebView2Host::create(HWND window, const WebViewConfig& config,
                                                           const PumpUntil& pump_until,
                                                           std::function<void()> on_browser_exit) {
  auto runtime = QUILLMAR_TRY(load_installed_runtime());
  auto host =
      std::make_unique<WindowsWebView>(std::move(runtime), config, pump_until, std::move(on_browser_exit));
  QUILLMAR_TRY(host->start(window));
  return std::unique_ptr<WebView2Host>(std::move(host));
}

}  // namespace quillmar
