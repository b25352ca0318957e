#include "page_player.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "call_log.h"
#include "event_args.h"
#include "runtime_state.h"
#include "system/sha256.h"
#include "ui_thread.h"

namespace standin {
namespace {

// Long enough for a whole install under Wine; then the page gives up and closes
// the window so the test ends with the record saying what never came.
constexpr unsigned kWaitMilliseconds = 300'000;
// A reload is asked for at once, from the failure's own handler.
constexpr unsigned kReloadWaitMilliseconds = 20'000;

struct Step {
  std::string command;
  std::string argument;
};

std::vector<Step> steps;
std::size_t next_step = 0;
std::vector<std::string> scripts_run;
std::size_t scripts_seen = 0;  // scripts before this index satisfied earlier waits
std::string awaited;
bool waiting = false;
bool renderer_gone = false;  // between a renderer exit and the next load
bool steps_read = false;
std::wstring page_uri;

std::vector<Step> read_steps() {
  std::vector<Step> read;
  const wchar_t* path = _wgetenv(L"QUILLMAR_STANDIN_SCRIPT");
  if (path == nullptr || *path == L'\0') return read;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    record("page: cannot read the page script " + narrow(path));
    return read;
  }
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) {
      read.push_back({line, ""});
    } else {
      read.push_back({line.substr(0, space), line.substr(space + 1)});
    }
  }
  return read;
}

// Filters are wildcard patterns in which "*" stands for any run of characters.
bool wildcard_matches(std::wstring_view pattern, std::wstring_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == L'*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (wildcard_matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && pattern.front() == text.front() && wildcard_matches(pattern.substr(1), text.substr(1));
}

INT32 resource_context_of(std::wstring_view uri) {
  auto ends_with = [uri](std::wstring_view tail) {
    return uri.size() >= tail.size() && uri.substr(uri.size() - tail.size()) == tail;
  };
  if (ends_with(L".svg")) return 3;  // image
  if (ends_with(L".css")) return 2;  // stylesheet
  if (ends_with(L".js")) return 6;   // script
  return 1;                          // document
}

std::string body_description(IStream* content) {
  if (content == nullptr) return "no body";
  quillmar::Sha256 digest;
  std::size_t total = 0;
  char buffer[4096];
  for (;;) {
    ULONG read = 0;
    const HRESULT result = content->Read(buffer, sizeof buffer, &read);
    if (FAILED(result)) return "a body that fails to read (" + hresult_text(result) + ")";
    digest.update(buffer, read);
    total += read;
    if (result == S_FALSE || read == 0) break;
  }
  const auto hash = digest.finish();
  if (!hash) return std::to_string(total) + " bytes, sha256 " + hash.error().message;
  return std::to_string(total) + " bytes, sha256 " + quillmar::to_hex(hash.value());
}

// Hands ARGS to every handler the installer added for the event, in the order added.
template <class Handler, class Args>
void raise(const std::vector<Handler*>& handlers, Args* args) {
  for (Handler* handler : handlers) handler->lpVtbl->Invoke(handler, runtime_state().web_view, args);
}

void fetch(const std::wstring& uri) {
  RuntimeState& state = runtime_state();
  bool filtered = false;
  for (const std::wstring& filter : state.resource_filters) filtered = filtered || wildcard_matches(filter, uri);
  if (!filtered) {
    record("page: GET " + narrow(uri.c_str()) + ": no resource filter matches, so it would go to the network");
    return;
  }
  WebResourceRequestedArgs* args = new_web_resource_requested_args(uri, resource_context_of(uri));
  auto* as_interface = reinterpret_cast<ICoreWebView2WebResourceRequestedEventArgs*>(args);
  raise(state.resource_handlers, as_interface);
  if (args->response == nullptr) {
    record("page: GET " + narrow(uri.c_str()) + ": no response");
  } else {
    const auto* response = reinterpret_cast<const Response*>(args->response);
    record("page: GET " + narrow(uri.c_str()) + ": " + std::to_string(response->status) + " " +
           quoted(response->reason.c_str()) + ", headers " + quoted(response->headers.c_str()) + ", " +
           body_description(response->content));
  }
  as_interface->lpVtbl->Release(as_interface);
}

bool navigation_allowed(const std::wstring& uri) {
  RuntimeState& state = runtime_state();
  NavigationStartingArgs* args = new_navigation_starting_args(uri);
  auto* as_interface = reinterpret_cast<ICoreWebView2NavigationStartingEventArgs*>(args);
  raise(state.navigation_handlers, as_interface);
  const bool allowed = !args->cancel;
  record("page: navigation to " + quoted(uri.c_str()) + (allowed ? " allowed" : " cancelled"));
  as_interface->lpVtbl->Release(as_interface);
  return allowed;
}

void request_new_window(const std::wstring& uri) {
  RuntimeState& state = runtime_state();
  NewWindowRequestedArgs* args = new_new_window_requested_args(uri);
  auto* as_interface = reinterpret_cast<ICoreWebView2NewWindowRequestedEventArgs*>(args);
  raise(state.new_window_handlers, as_interface);
  // Handled without a window of the host's own: the page gets a window that never
  // loads and no window appears. Anything else opens one.
  const bool refused = args->handled && !args->new_window_given;
  record("page: new window for " + quoted(uri.c_str()) + (refused ? " refused" : " opened"));
  as_interface->lpVtbl->Release(as_interface);
}

void post_message(const std::string& text, const std::wstring& source) {
  RuntimeState& state = runtime_state();
  record("page: posts " + text + (source == page_uri ? "" : " from " + quoted(source.c_str())));
  WebMessageReceivedArgs* args = new_web_message_received_args(source, widen(text));
  auto* as_interface = reinterpret_cast<ICoreWebView2WebMessageReceivedEventArgs*>(args);
  raise(state.message_handlers, as_interface);
  as_interface->lpVtbl->Release(as_interface);
}

// The window should go at once, even though the installer may take seconds more to
// end; a thread of the page's own watches it, since the installer's thread is busy.
void close_window() {
  record("page: closes the window");
  HWND window = runtime_state().parent;
  PostMessageW(window, WM_CLOSE, 0, 0);
  std::thread([window] {
    const auto closed_at = std::chrono::steady_clock::now();
    for (int check = 0; check < 2000; ++check) {
      if (!IsWindowVisible(window)) {
        const auto after = std::chrono::steady_clock::now() - closed_at;
        record("page: the window is hidden " +
               std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(after).count()) +
               " ms after the close");
        return;
      }
      Sleep(5);
    }
  }).detach();
}

void raise_process_failed(INT32 kind) {
  ProcessFailedArgs* args = new_process_failed_args(kind);
  auto* as_interface = reinterpret_cast<ICoreWebView2ProcessFailedEventArgs*>(args);
  raise(runtime_state().process_failed_handlers, as_interface);
  as_interface->lpVtbl->Release(as_interface);
}

void raise_navigation_completed() {
  NavigationCompletedArgs* args = new_navigation_completed_args();
  auto* as_interface = reinterpret_cast<ICoreWebView2NavigationCompletedEventArgs*>(args);
  raise(runtime_state().completed_handlers, as_interface);
  as_interface->lpVtbl->Release(as_interface);
}

// A host that does not load the page again leaves it blank for good; the page gives
// up rather than keep the test waiting for the whole run.
void give_up_unless_loaded_again() {
  start_timer(kReloadWaitMilliseconds, [] {
    record("page: never loaded again");
    close_window();
  });
}

// "FIRST REST" split at the first space.
std::pair<std::string, std::string> split_first(const std::string& text) {
  const std::size_t space = text.find(' ');
  if (space == std::string::npos) return {text, ""};
  return {text.substr(0, space), text.substr(space + 1)};
}

// True when a script run since the last satisfied wait contains AWAITED.
bool awaited_script_seen() {
  for (std::size_t index = scripts_seen; index < scripts_run.size(); ++index) {
    if (scripts_run[index].find(awaited) != std::string::npos) {
      scripts_seen = index + 1;
      return true;
    }
  }
  return false;
}

void run_steps();

void begin_wait(const std::string& text) {
  awaited = text;
  if (awaited_script_seen()) return;
  waiting = true;
  start_timer(kWaitMilliseconds, [] {
    waiting = false;
    record("page: gave up waiting for " + awaited);
    close_window();
  });
}

// Plays steps until one has to wait for the installer.
void run_steps() {
  while (!waiting && !renderer_gone && next_step < steps.size()) {
    const Step& step = steps[next_step++];
    if (step.command == "request") {
      fetch(widen(step.argument));
    } else if (step.command == "navigate") {
      navigation_allowed(widen(step.argument));
    } else if (step.command == "new-window") {
      request_new_window(widen(step.argument));
    } else if (step.command == "post") {
      post_message(step.argument, page_uri);
    } else if (step.command == "post-from") {
      const auto [source, text] = split_first(step.argument);
      post_message(text, widen(source));
    } else if (step.command == "request-failing") {
      runtime_state().fail_response_creation = true;
      fetch(widen(step.argument));
      runtime_state().fail_response_creation = false;
    } else if (step.command == "focus") {
      record("page: the window gets the keyboard focus");
      SetFocus(nullptr);
      SetFocus(runtime_state().parent);
    } else if (step.command == "move") {
      const auto [x, y] = split_first(step.argument);
      record("page: the window is moved to " + x + ", " + y);
      SetWindowPos(runtime_state().parent, nullptr, std::stoi(x), std::stoi(y), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (step.command == "minimize") {
      record("page: the window is minimized");
      ShowWindow(runtime_state().parent, SW_MINIMIZE);
    } else if (step.command == "restore") {
      record("page: the window is restored");
      ShowWindow(runtime_state().parent, SW_RESTORE);
    } else if (step.command == "renderer-exit") {
      record("page: the renderer process exits");
      renderer_gone = true;
      raise_process_failed(1);
      give_up_unless_loaded_again();
    } else if (step.command == "browser-exit") {
      record("page: the browser process exits");
      renderer_gone = true;
      raise_process_failed(0);
      give_up_unless_loaded_again();
    } else if (step.command == "wait") {
      begin_wait(step.argument);
    } else if (step.command == "close") {
      close_window();
    } else {
      record("page: unknown step " + step.command);
    }
  }
}

}  // namespace

void play_page(const std::wstring& start_uri) {
  if (!navigation_allowed(start_uri)) return;
  page_uri = start_uri;
  if (renderer_gone) cancel_timer();
  renderer_gone = false;
  // A new document has seen none of the scripts run in the one before it.
  scripts_seen = scripts_run.size();
  fetch(start_uri);
  const std::vector<std::wstring>& scripts = runtime_state().document_scripts;
  for (std::size_t index = 0; index < scripts.size(); ++index) {
    record("page: document script " + std::to_string(index + 1) + " runs: " + narrow(scripts[index].c_str()));
  }
  record("page: the page's own scripts start");
  raise_navigation_completed();
  if (!steps_read) {
    steps = read_steps();
    steps_read = true;
  }
  run_steps();
}

void reload_page() {
  record("page: loads again");
  play_page(page_uri);
}

void page_ran_script(std::string script) {
  scripts_run.push_back(std::move(script));
  if (waiting && awaited_script_seen()) {
    waiting = false;
    cancel_timer();
    // Later, so the installer's ExecuteScript call returns before the page goes on.
    post_to_ui(run_steps);
  }
}

}  // namespace standin
