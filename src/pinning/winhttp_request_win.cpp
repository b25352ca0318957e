#include "pinning/winhttp_request_win.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

#include "pinning/http_agent.h"
#include "system/handle_win.h"
#include "system/os_error.h"
#include "system/wide_text_win.h"

namespace quillmar {

namespace {

// How long one wait lasts, at most, before the cancel flag is looked at again.
constexpr DWORD kCancelPollMilliseconds = 50;
// How long a refused request's handle may take to close. WinHTTP is then only
// finishing a write to a live connection.
constexpr DWORD kDropMilliseconds = 2000;

}  // namespace

std::string winhttp_error_text(DWORD code) {
  if (code >= WINHTTP_ERROR_BASE && code <= WINHTTP_ERROR_LAST) {
    return "WinHTTP error " + std::to_string(code) + " (os error " + std::to_string(code) + ")";
  }
  return os_error_text(code);
}

struct WinHttpRequest::State {
  // The waiting side and WinHTTP each hold one; the last to let go deletes.
  std::atomic<int> holders{2};
  HINTERNET handle = nullptr;
  PlatformHandle completed = own_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  PlatformHandle closing = own_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Pin pin;
  Limits limits;

  // Written by the notifications, read by the waiting side: under the mutex.
  std::mutex mutex;
  bool done = false;
  DWORD error = 0;
  DWORD completed_bytes = 0;
  std::optional<Clock::time_point> connecting_at;
  std::optional<Clock::time_point> sending_at;
  bool pin_checked = false;
  std::string refusal;
  DWORD secure_failure = 0;  // WINHTTP_CALLBACK_STATUS_FLAG_* of a failed handshake

  // Only touched by WinHTTP during a call, and kept for it until the handle closes.
  std::string body;
  std::vector<std::uint8_t> read_buffer;

  std::optional<Deadline> body_deadline;
  std::optional<std::chrono::milliseconds> stall_limit;

  void release() {
    if (holders.fetch_sub(1) == 1) delete this;
  }

  void complete(DWORD with_error, DWORD bytes = 0) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      done = true;
      error = with_error;
      completed_bytes = bytes;
    }
    SetEvent(win_handle(completed));
  }

  // A new connection begins: it is not checked yet, whatever an earlier one of the
  // same request was, and the proxy it may go through may ask for a sign-in.
  void connection_starts(HINTERNET request) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (!connecting_at) connecting_at = Clock::now();
      pin_checked = false;
    }
    set_autologon(request, WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW);
  }

  // A proxy that asks for integrated Windows sign-in (Negotiate, NTLM) gets the
  // user's own logon; the server never does. WinHTTP's policy cannot tell the two
  // apart, so it is opened for each new connection, which only a proxy can
  // challenge before the TLS handshake, and closed once the handshake is done.
  static void set_autologon(HINTERNET request, DWORD level) {
    WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &level, sizeof level);
  }

  // The pin check, right after the handshake and before the head is written.
  void check_pin(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    // The option hands over a pointer, so the buffer is the pointer itself.
    DWORD size = sizeof certificate;  // NOLINT(bugprone-sizeof-expression)
    std::optional<std::span<const std::uint8_t>> leaf;
    if (WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) &&
        certificate != nullptr) {
      leaf = std::span<const std::uint8_t>(certificate->pbCertEncoded, certificate->cbCertEncoded);
    }
    // Through a proxy, the first notification comes for the CONNECT that asks the
    // proxy for a tunnel, before any TLS: there is no server certificate yet, and
    // the check waits for the notification after the tunnel's handshake. A request
    // whose check never ran is refused by the agent before its body goes out.
    if (!leaf) {
      std::lock_guard<std::mutex> lock(mutex);
      sending_at = Clock::now();
      pin_checked = false;
      return;
    }
    // The connection to the server is up, through any proxy's tunnel: from here on
    // only the server can ask for a sign-in, and it never gets the user's logon.
    set_autologon(request, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
    Result<void> checked;
    // Every request of an agent with an anchor is judged, also on a kept-alive
    // connection, since that one may have been opened by a retry.
    if (pin.anchor != nullptr) {
      checked = certificate == nullptr ? Result<void>(Error{kNoCertificate}) : pin.anchor->admit(certificate, pin.wide_host);
    }
    if (checked) checked = pin.pinned->check(pin.host, leaf);
    if (certificate != nullptr) CertFreeCertificateContext(certificate);
    std::lock_guard<std::mutex> lock(mutex);
    sending_at = Clock::now();
    pin_checked = true;
    if (!checked) {
      refusal = checked.error().message;
      // A connection that failed the pin must never carry another request: where
      // WinHTTP still allows it this late, it is not kept alive either. Wine goes
      // on to wait for an answer to a request without a body after its head is
      // out, holding the connection until its receive limit; the shortest limit
      // makes it let go at once.
      DWORD no_keep_alive = WINHTTP_DISABLE_KEEP_ALIVE;
      WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &no_keep_alive, sizeof no_keep_alive);
      DWORD shortest = 1;
      WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &shortest, sizeof shortest);
      WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &shortest, sizeof shortest);
      // Wakes the waiting side at once: it closes the handle and returns, rather
      // than wait for an answer from a server it does not trust.
      SetEvent(win_handle(completed));
    }
  }
};

void CALLBACK WinHttpRequest::on_status(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information,
                                        DWORD length) {
  if (context == 0) return;
  auto* state = reinterpret_cast<State*>(context);
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
      if (information != nullptr && length >= sizeof(DWORD)) {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->secure_failure |= *static_cast<const DWORD*>(information);
      }
      return;
    case WINHTTP_CALLBACK_STATUS_RESOLVING_NAME:
    case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER:
      state->connection_starts(handle);
      return;
    case WINHTTP_CALLBACK_STATUS_SENDING_REQUEST:
      state->check_pin(handle);
      return;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      state->complete(0);
      return;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      state->complete(0, length);
      return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      state->complete(0, information != nullptr && length >= sizeof(DWORD) ? *static_cast<const DWORD*>(information) : 0);
      return;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
      const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(information);
      state->complete(result != nullptr ? result->dwError : ERROR_WINHTTP_INTERNAL_ERROR);
      return;
    }
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      // The last notification of the handle: WinHTTP is done with the state.
      SetEvent(win_handle(state->closing));
      state->release();
      return;
    default:
      return;
  }
}

Result<WinHttpRequest> WinHttpRequest::open(HINTERNET connection, const std::wstring& method,
                                            const std::wstring& path, Pin pin, DWORD security_flags,
                                            const Limits& limits) {
  HINTERNET handle = WinHttpOpenRequest(connection, method.c_str(), path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
  if (handle == nullptr) return Error{winhttp_error_text(GetLastError())};
  auto* state = new State();
  state->handle = handle;
  state->pin = std::move(pin);
  state->limits = limits;
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(state);
  if (!state->completed || !state->closing || !WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) ||
      WinHttpSetStatusCallback(handle, &WinHttpRequest::on_status, WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                   WINHTTP_CALLBACK_FLAG_RESOLVE_NAME | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER |
                                   WINHTTP_CALLBACK_FLAG_SEND_REQUEST | WINHTTP_CALLBACK_FLAG_SECURE_FAILURE |
                                   WINHTTP_CALLBACK_FLAG_HANDLES,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    const DWORD error = GetLastError();
    // No notification will come for a handle whose callback is not set: its
    // share of the state goes here.
    WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, nullptr, 0);
    WinHttpCloseHandle(handle);
    state->holders = 1;
    state->release();
    return Error{winhttp_error_text(error)};
  }
  WinHttpRequest request(state);
  // WinHTTP's own limits as well, so that its threads give up on a stalled server
  // too after the waiting side has; name resolution shares the connect limit.
  const int connect_ms = static_cast<int>(limits.connect.count());
  const int head_ms = static_cast<int>(limits.head.count());
  if (!WinHttpSetTimeouts(handle, connect_ms, connect_ms, head_ms, head_ms)) {
    return Error{winhttp_error_text(GetLastError())};
  }
  // No server gets the user's logon; each new connection opens it for its proxy
  // until the handshake (State::connection_starts).
  State::set_autologon(handle, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
  // Not every WinHTTP knows this one; the waiting side keeps the limit regardless.
  DWORD response_ms = static_cast<DWORD>(head_ms);
  WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_ms, sizeof response_ms);
  if (security_flags != 0 &&
      !WinHttpSetOption(handle, WINHTTP_OPTION_SECURITY_FLAGS, &security_flags, sizeof security_flags)) {
    return Error{winhttp_error_text(GetLastError())};
  }
  return request;
}

WinHttpRequest& WinHttpRequest::operator=(WinHttpRequest&& other) noexcept {
  if (this != &other) {
    close();
    state_ = other.state_;
    other.state_ = nullptr;
  }
  return *this;
}

WinHttpRequest::~WinHttpRequest() { close(); }

void WinHttpRequest::close() {
  if (state_ == nullptr) return;
  WinHttpCloseHandle(state_->handle);
  state_->release();
  state_ = nullptr;
}

template <typename Call, typename DeadlineOf>
Result<DWORD> WinHttpRequest::run(Call call, DeadlineOf deadline_of) {
  State& state = *state_;
  ResetEvent(win_handle(state.completed));
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.done = false;
    state.error = 0;
    state.completed_bytes = 0;
  }
  if (!call()) {
    const DWORD error = GetLastError();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.done = true;
    state.error = error;
  }
  for (;;) {
    DWORD wait = INFINITE;
    std::optional<Deadline> deadline;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      if (!state.refusal.empty()) return Error{state.refusal};
      if (state.done) {
        if (state.error != 0) return Error{winhttp_error_text(state.error)};
        return state.completed_bytes;
      }
      deadline = deadline_of(state);
    }
    if (state.limits.cancel != nullptr) {
      if (state.limits.cancel->load()) return Error{kRequestCancelled};
      wait = kCancelPollMilliseconds;
    }
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline->at - Clock::now()).count();
      if (left <= 0) return Error{deadline->failure};
      wait = std::min<DWORD>(wait, static_cast<DWORD>(std::min<long long>(left + 1, 0x7ffffffe)));
    }
    WaitForSingleObject(win_handle(state.completed), wait);
  }
}

namespace {

std::string seconds_text(std::chrono::milliseconds limit) { return std::to_string(limit.count() / 1000) + " seconds"; }

}  // namespace

std::string no_proxy_found_text(std::chrono::milliseconds limit) { return "no proxy found within " + seconds_text(limit); }

Result<void> WinHttpRequest::send(const std::wstring& headers, DWORD total_length) {
  State& state = *state_;
  const auto started = Clock::now();
  const std::string no_proxy = no_proxy_found_text(state.limits.discovery);
  const std::string no_connection = "no connection within " + seconds_text(state.limits.connect);
  const std::string no_head = "no response head within " + seconds_text(state.limits.head);
  QUILLMAR_TRY(run(
      [&] {
        return WinHttpSendRequest(state.handle, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                  headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                                  total_length, reinterpret_cast<DWORD_PTR>(state_));
      },
      [&](const State& now) {
        if (now.sending_at) return Deadline{*now.sending_at + now.limits.head, no_head};
        if (now.connecting_at) return Deadline{*now.connecting_at + now.limits.connect, no_connection};
        return Deadline{started + now.limits.discovery, no_proxy};
      }));
  return {};
}

DWORD WinHttpRequest::send_error() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->done ? state_->error : 0;
}

DWORD WinHttpRequest::secure_failure() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->secure_failure;
}

bool WinHttpRequest::pin_checked() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->pin_checked;
}

bool WinHttpRequest::refused() const {
  if (state_ == nullptr) return false;
  std::lock_guard<std::mutex> lock(state_->mutex);
  return !state_->refusal.empty();
}

Result<void> WinHttpRequest::use_proxy(const std::wstring& proxy, const std::wstring& bypass, const std::wstring& user,
                                       const std::wstring& password) {
  WINHTTP_PROXY_INFO info{};
  info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  info.lpszProxy = const_cast<LPWSTR>(proxy.c_str());
  info.lpszProxyBypass = bypass.empty() ? nullptr : const_cast<LPWSTR>(bypass.c_str());
  if (!WinHttpSetOption(state_->handle, WINHTTP_OPTION_PROXY, &info, sizeof info)) {
    return Error{winhttp_error_text(GetLastError())};
  }
  if (!user.empty()) {
    WinHttpSetOption(state_->handle, WINHTTP_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(user.c_str()),
                     static_cast<DWORD>(user.size()));
    WinHttpSetOption(state_->handle, WINHTTP_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(password.c_str()),
                     static_cast<DWORD>(password.size()));
  }
  return {};
}

void WinHttpRequest::drop_connection() {
  if (state_ == nullptr) return;
  State* state = state_;
  state_ = nullptr;
  // WinHTTP may still be writing the head the refusal could not stop; it closes
  // the connection with the handle once that write is over.
  WinHttpCloseHandle(state->handle);
  WaitForSingleObject(win_handle(state->closing), kDropMilliseconds);
  state->release();
}

Result<void> WinHttpRequest::write_and_receive(const std::string& body) {
  State& state = *state_;
  // The head limit runs from when the head went out, through the body and the
  // wait for the answer.
  const Deadline head = [&] {
    std::lock_guard<std::mutex> lock(state.mutex);
    return Deadline{state.sending_at.value_or(Clock::now()) + state.limits.head,
                    "no response head within " + seconds_text(state.limits.head)};
  }();
  const auto within_head_limit = [&](const State&) { return std::make_optional(head); };
  state.body = body;
  std::size_t written = 0;
  while (written < state.body.size()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(state.body.size() - written, 1 << 20));
    QUILLMAR_TRY(run([&] { return WinHttpWriteData(state.handle, state.body.data() + written, piece, nullptr); },
                     within_head_limit));
    written += piece;
  }
  QUILLMAR_TRY(run([&] { return WinHttpReceiveResponse(state.handle, nullptr); }, within_head_limit));
  return {};
}

Result<int> WinHttpRequest::status() const {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(state_->handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return Error{winhttp_error_text(GetLastError())};
  }
  return static_cast<int>(status);
}

std::optional<std::string> WinHttpRequest::header(const std::wstring& name) const {
  DWORD size = 0;
  WinHttpQueryHeaders(state_->handle, WINHTTP_QUERY_CUSTOM, name.c_str(), WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::nullopt;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(state_->handle, WINHTTP_QUERY_CUSTOM, name.c_str(), value.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  value.resize(size / sizeof(wchar_t));
  return wide_to_utf8(value);
}

int WinHttpRequest::status_if_any() const {
  if (state_ == nullptr) return 0;
  const auto held = status();
  return held ? held.value() : 0;
}

void WinHttpRequest::start_body(std::optional<std::chrono::seconds> body_limit,
                                std::optional<std::chrono::milliseconds> stall_limit) {
  // WinHTTP's own receive limit follows the body's (or the stall limit, which is
  // per wait as WinHTTP's is), so its thread does not wait on a stalled body longer
  // than the waiting side does.
  DWORD receive_ms = 0;
  if (body_limit) {
    state_->body_deadline = Deadline{Clock::now() + *body_limit, "the response body took longer than its time limit"};
    receive_ms = static_cast<DWORD>(std::min<long long>(body_limit->count() * 1000, 0x7fffffff));
  }
  state_->stall_limit = stall_limit;
  if (stall_limit && (receive_ms == 0 || stall_limit->count() < receive_ms)) {
    receive_ms = static_cast<DWORD>(std::min<long long>(std::max<long long>(stall_limit->count(), 1), 0x7fffffff));
  }
  WinHttpSetOption(state_->handle, WINHTTP_OPTION_RECEIVE_TIMEOUT, &receive_ms, sizeof receive_ms);
}

Result<std::size_t> WinHttpRequest::read(std::uint8_t* buffer, std::size_t capacity) {
  State& state = *state_;
  // The stall limit counts from the start of this read, which returns as soon as
  // any byte is there.
  std::optional<Deadline> stalled;
  if (state.stall_limit) stalled = Deadline{Clock::now() + *state.stall_limit, stalled_body_text(*state.stall_limit)};
  const auto within_body_limit = [&stalled](const State& now) {
    if (!stalled || (now.body_deadline && now.body_deadline->at <= stalled->at)) return now.body_deadline;
    return stalled;
  };
  // Asking first what has arrived and then reading no more than that keeps every
  // wait in WinHTTP's own threads: a read larger than what is buffered may be
  // served on the calling thread and block it there until the rest comes.
  const auto available =
      QUILLMAR_TRY(run([&] { return WinHttpQueryDataAvailable(state.handle, nullptr); }, within_body_limit));
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>({capacity, available, 0x7fffffff}));
  if (wanted == 0) return std::size_t{0};
  if (state.read_buffer.size() < wanted) state.read_buffer.resize(wanted);
  const auto count = QUILLMAR_TRY(
      run([&] { return WinHttpReadData(state.handle, state.read_buffer.data(), wanted, nullptr); }, within_body_limit));
  const std::size_t copied = std::min<std::size_t>(count, wanted);
  std::memcpy(buffer, state.read_buffer.data(), copied);
  return copied;
}

}  // namespace quillmar
