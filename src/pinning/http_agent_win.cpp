// The Windows HTTP agent: WinHTTP with Schannel and the system certificate store.
//
// The pin check runs in the WINHTTP_CALLBACK_STATUS_SENDING_REQUEST notification,
// which WinHTTP delivers after the TLS handshake of the request's connection and
// before it writes the request, with the leaf certificate available through
// WINHTTP_OPTION_SERVER_CERT_CONTEXT. WinHTTP offers no way to stop the request
// head from inside that notification (Wine writes it regardless), so the request
// body, which carries the nonce and the chosen version, is not handed to
// WinHttpSendRequest: it is written with WinHttpWriteData only after the check
// passed. A refused connection is abandoned before its answer is read.
//
// Schannel's own chain and host-name validation stay on: no SECURITY_FLAG_IGNORE_*
// flag is ever set. The compiled-in development CA is not added here; a
// development machine (or a test's Wine prefix) trusts it in its Root store.

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>

#include "pinning/http_agent.h"
#include "system/os_error.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// WinHTTP's own constant is missing from older MinGW-w64 headers.
constexpr DWORD kSecureProtocolTls13 = 0x00002000;

class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  InternetHandle(InternetHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() { close(); }

  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  void close() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = nullptr;
  }
  HINTERNET handle_ = nullptr;
};

// What the status callback needs and what it found, for one request.
struct PinContext {
  const PinnedTls* pinned = nullptr;
  std::string host;
  bool checked = false;
  std::string refusal;
};

void CALLBACK on_status(HINTERNET request, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  if (status != WINHTTP_CALLBACK_STATUS_SENDING_REQUEST || context == 0) return;
  auto* pin = reinterpret_cast<PinContext*>(context);
  PCCERT_CONTEXT certificate = nullptr;
  DWORD size = sizeof certificate;
  std::optional<std::span<const std::uint8_t>> leaf;
  if (WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) &&
      certificate != nullptr) {
    leaf = std::span<const std::uint8_t>(certificate->pbCertEncoded, certificate->cbCertEncoded);
  }
  const Result<void> checked = pin->pinned->check(pin->host, leaf);
  if (certificate != nullptr) CertFreeCertificateContext(certificate);
  pin->checked = true;
  if (!checked) pin->refusal = checked.error().message;
}

std::string winhttp_error_text(DWORD code) {
  if (code >= WINHTTP_ERROR_BASE && code <= WINHTTP_ERROR_LAST) {
    return "WinHTTP error " + std::to_string(code) + " (os error " + std::to_string(code) + ")";
  }
  return os_error_text(code);
}

class WinHttpResponse final : public HttpResponse {
 public:
  WinHttpResponse(InternetHandle connection, InternetHandle request, int status,
                  std::optional<Clock::time_point> body_deadline)
      : connection_(std::move(connection)), request_(std::move(request)), status_(status),
        body_deadline_(body_deadline) {}

  int status() const override { return status_; }

  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override {
    if (body_deadline_) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*body_deadline_ - Clock::now()).count();
      if (left <= 0) return Error{"the response body took longer than its time limit"};
      DWORD timeout = static_cast<DWORD>(std::min<long long>(left, 0x7fffffff));
      WinHttpSetOption(request_.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    }
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 0x7fffffff));
    if (!WinHttpReadData(request_.get(), buffer, wanted, &count)) return Error{winhttp_error_text(GetLastError())};
    return static_cast<std::size_t>(count);
  }

 private:
  InternetHandle connection_;
  InternetHandle request_;
  int status_;
  std::optional<Clock::time_point> body_deadline_;
};

class WinHttpAgent final : public HttpAgent {
 public:
  WinHttpAgent(AgentSettings settings, InternetHandle session)
      : settings_(std::move(settings)), session_(std::move(session)) {}

  Result<std::unique_ptr<HttpResponse>> send(const HttpRequest& request) const override {
    const std::wstring url = utf8_to_wide(request.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return Error{winhttp_error_text(GetLastError())};
    if (parts.nScheme != INTERNET_SCHEME_HTTPS) return Error{"only https URLs are fetched"};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    InternetHandle connection(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return Error{winhttp_error_text(GetLastError())};
    const std::wstring method = utf8_to_wide(request.method);
    InternetHandle handle(WinHttpOpenRequest(connection.get(), method.c_str(), path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!handle) return Error{winhttp_error_text(GetLastError())};

    const int connect_ms = static_cast<int>(settings_.connect_limit.count() * 1000);
    const int head_ms = static_cast<int>(settings_.head_limit.count() * 1000);
    // Name resolution has no limit of its own; sending shares the head's.
    if (!WinHttpSetTimeouts(handle.get(), 0, connect_ms, head_ms, head_ms)) {
      return Error{winhttp_error_text(GetLastError())};
    }

    PinContext pin;
    pin.pinned = &settings_.pinned;
    pin.host = wide_to_utf8(host);
    if (WinHttpSetStatusCallback(handle.get(), &on_status, WINHTTP_CALLBACK_FLAG_SEND_REQUEST, 0) ==
        WINHTTP_INVALID_STATUS_CALLBACK) {
      return Error{winhttp_error_text(GetLastError())};
    }

    std::wstring headers;
    for (const HttpHeader& header : request.headers) {
      headers += utf8_to_wide(header.name) + L": " + utf8_to_wide(header.value) + L"\r\n";
    }
    const std::string body = request.body.value_or(std::string());
    const BOOL sent = WinHttpSendRequest(handle.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                         headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                                         static_cast<DWORD>(body.size()), reinterpret_cast<DWORD_PTR>(&pin));
    const DWORD send_error = sent ? 0 : GetLastError();
    if (!pin.refusal.empty()) return Error{pin.refusal};
    if (!sent) return Error{winhttp_error_text(send_error)};
    // The notification is the only place the key is seen; a request it did not
    // reach is refused rather than trusted unchecked.
    if (!pin.checked && settings_.pinned.applies_to(pin.host)) return Error{kNoCertificate};

    std::size_t written = 0;
    while (written < body.size()) {
      DWORD count = 0;
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(body.size() - written, 1 << 20));
      if (!WinHttpWriteData(handle.get(), body.data() + written, piece, &count)) {
        return Error{winhttp_error_text(GetLastError())};
      }
      written += count;
    }
    if (!WinHttpReceiveResponse(handle.get(), nullptr)) return Error{winhttp_error_text(GetLastError())};

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      return Error{winhttp_error_text(GetLastError())};
    }
    // The head is in: from here on only the request's own body limit applies.
    DWORD no_limit = 0;
    WinHttpSetOption(handle.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &no_limit, sizeof no_limit);
    std::optional<Clock::time_point> body_deadline;
    if (request.body_limit) body_deadline = Clock::now() + *request.body_limit;
    return std::unique_ptr<HttpResponse>(std::make_unique<WinHttpResponse>(
        std::move(connection), std::move(handle), static_cast<int>(status), body_deadline));
  }

 private:
  AgentSettings settings_;
  InternetHandle session_;
};

}  // namespace

Result<std::shared_ptr<const HttpAgent>> HttpAgent::create(AgentSettings settings) {
  const std::wstring user_agent = utf8_to_wide(settings.user_agent);
  InternetHandle session(
      WinHttpOpen(user_agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return Error{winhttp_error_text(GetLastError())};

  // TLS 1.2 at least; TLS 1.3 too where the system has it.
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | kSecureProtocolTls13;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
      return Error{winhttp_error_text(GetLastError())};
    }
  }
  // A redirect would reach the caller as a 3xx status, as it does on the host.
  DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof redirects);
  return std::shared_ptr<const HttpAgent>(std::make_shared<WinHttpAgent>(std::move(settings), std::move(session)));
}

}  // namespace quillmar
