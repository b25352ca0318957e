// The Windows HTTP agent: WinHTTP with Schannel and the system certificate store.
//
// The pin check runs in the WINHTTP_CALLBACK_STATUS_SENDING_REQUEST notification,
// which WinHTTP delivers after the TLS handshake of the request's connection and
// before it writes the request, with the leaf certificate available through
// WINHTTP_OPTION_SERVER_CERT_CONTEXT. WinHTTP offers no way to stop the request
// head from inside that notification (Wine writes it regardless), so the request
// body, which carries the nonce and the chosen version, is not handed to
// WinHttpSendRequest: it is written with WinHttpWriteData only after the check
// passed. A refusal wakes the waiting thread from the notification, which closes
// the request and returns at once, without waiting for any answer.
//
// Requests run on an asynchronous session, waited for by WinHttpRequest, which
// keeps every time limit and the cancel flag itself.
//
// The user's proxy, read once from the user's own settings
// (WinHttpGetIEProxyConfigForCurrentUser). A static proxy alone goes to the session
// as a named proxy, which is what automatic mode does with it too, and which also
// works under Wine: Wine accepts WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY but goes
// direct whatever the user set (tests/proxy/README.md has what was measured).
// Otherwise the session asks for WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, with which
// Windows 8.1 and later follow auto-config scripts and WPAD themselves; where the
// system refuses that mode, the session goes direct and each request asks
// WinHttpGetProxyForUrl for its proxy. A proxy that asks for integrated sign-in
// gets the user's logon; credentials written into the proxy setting answer Basic.
//
// Schannel's own chain and host-name validation stay on. The one relaxation is for
// a development build that compiles in an extra trust anchor: WinHTTP cannot be
// given a root of its own, so when a connection fails only because its root is
// unknown to the system, the request is tried once more with
// SECURITY_FLAG_IGNORE_UNKNOWN_CA, and that connection must pass a chain check of
// our own in the same notification as the pin, before the body goes out or the
// answer is read: the system must find nothing wrong with the chain except its
// unknown root, and the chain must build to the anchor alone and pass the SSL
// policy for the host name. Dates, key usage and the host name are
// still checked by Schannel as well. A deployment build has no anchor and never
// sets any SECURITY_FLAG_IGNORE_* flag.

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "pinning/http_agent.h"
#include "pinning/trust_anchor_win.h"
#include "pinning/winhttp_request_win.h"
#include "system/os_error.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

// WinHTTP's own constant is missing from older MinGW-w64 headers.
constexpr DWORD kSecureProtocolTls13 = 0x00002000;

// Whether a failed first attempt may be retried with the anchor: only when the
// system's sole complaint is the unknown root. Windows says so in the secure
// failure flags; Wine reports every certificate failure as a bare channel error
// without flags, which the retry's own chain check then sorts out.
bool failed_on_unknown_root_only(DWORD send_error, DWORD secure_failure) {
  if (send_error == ERROR_WINHTTP_SECURE_FAILURE) return secure_failure == WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
  return send_error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR && secure_failure == 0;
}

// Frees the strings WinHTTP hands over in its proxy structures.
void free_global(LPWSTR text) {
  if (text != nullptr) GlobalFree(text);
}

// The proxy for one request, from the user's settings.
struct ProxyChoice {
  std::wstring proxy;  // WinHTTP's proxy list syntax: host:port, or scheme=host:port;…
  std::wstring bypass;
  std::wstring user;  // from a proxy written as user:password@host:port
  std::wstring password;
};

// A proxy written with credentials gives them up here, so that the address alone
// reaches WinHTTP and the log.
ProxyChoice with_credentials_apart(std::wstring proxy, std::wstring bypass) {
  ProxyChoice choice{std::move(proxy), std::move(bypass), {}, {}};
  const std::size_t at = choice.proxy.rfind(L'@');
  if (at == std::wstring::npos) return choice;
  std::wstring credentials = choice.proxy.substr(0, at);
  std::size_t scheme = credentials.find(L"://");
  if (scheme != std::wstring::npos) credentials.erase(0, scheme + 3);
  choice.proxy.erase(0, at + 1);
  const std::size_t colon = credentials.find(L':');
  choice.user = credentials.substr(0, colon);
  if (colon != std::wstring::npos) choice.password = credentials.substr(colon + 1);
  return choice;
}

// The user's proxy settings, as Windows keeps them for the user.
struct UserProxySettings {
  std::optional<ProxyChoice> fixed;  // a static proxy
  std::wstring auto_config_url;
  bool auto_detect = false;

  bool scripted() const { return auto_detect || !auto_config_url.empty(); }
};

UserProxySettings read_user_proxy_settings() {
  UserProxySettings read;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&settings)) return read;
  read.auto_detect = settings.fAutoDetect != FALSE;
  if (settings.lpszAutoConfigUrl != nullptr) read.auto_config_url = settings.lpszAutoConfigUrl;
  if (settings.lpszProxy != nullptr && settings.lpszProxy[0] != L'\0') {
    read.fixed = with_credentials_apart(settings.lpszProxy, settings.lpszProxyBypass ? settings.lpszProxyBypass : L"");
  }
  free_global(settings.lpszAutoConfigUrl);
  free_global(settings.lpszProxy);
  free_global(settings.lpszProxyBypass);
  return read;
}

// The proxy an auto-config script or auto-detection names for URL; absent for a
// direct connection or when neither gives an answer. RESOLVER is a synchronous
// session.
std::optional<ProxyChoice> ask_script_for_proxy(HINTERNET resolver, const UserProxySettings& settings,
                                                const std::wstring& url) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (!settings.auto_config_url.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = settings.auto_config_url.c_str();
  }
  if (settings.auto_detect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO found{};
  if (!WinHttpGetProxyForUrl(resolver, url.c_str(), &options, &found)) return settings.fixed;
  std::optional<ProxyChoice> choice;
  if (found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && found.lpszProxy != nullptr) {
    choice = with_credentials_apart(found.lpszProxy, found.lpszProxyBypass ? found.lpszProxyBypass : L"");
  }
  free_global(found.lpszProxy);
  free_global(found.lpszProxyBypass);
  return choice;
}

// The same, on a thread of its own: WinHttpGetProxyForUrl blocks for as long as a
// script or an auto-detection takes and cannot be interrupted, so the request waits
// for it as it waits for everything else, within the discovery limit and watching
// the cancel flag. A lookup given up on finishes alone and is dropped; what it
// reads is its own.
Result<std::optional<ProxyChoice>> scripted_proxy_for(HINTERNET resolver, const UserProxySettings& settings,
                                                      const std::wstring& url, const std::atomic<bool>* cancel) {
  struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<std::optional<ProxyChoice>> answer;
  };
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, resolver, settings, url] {
    std::optional<ProxyChoice> choice = ask_script_for_proxy(resolver, settings, url);
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->answer = std::move(choice);
    lookup->done.notify_all();
  }).detach();
  const auto until = std::chrono::steady_clock::now() + kProxyDiscoveryLimit;
  std::unique_lock<std::mutex> lock(lookup->mutex);
  while (!lookup->answer) {
    if (cancel != nullptr && cancel->load()) return Error{kRequestCancelled};
    if (std::chrono::steady_clock::now() >= until) return Error{no_proxy_found_text(kProxyDiscoveryLimit)};
    lookup->done.wait_for(lock, std::chrono::milliseconds(50));
  }
  return *lookup->answer;
}

class WinHttpResponse final : public HttpResponse {
 public:
  WinHttpResponse(InternetHandle connection, WinHttpRequest request, int status)
      : connection_(std::move(connection)), request_(std::move(request)), status_(status) {
    if (const auto length = request_.header(L"Content-Length")) {
      if (!length->empty() && length->size() <= 19 && length->find_first_not_of("0123456789") == std::string::npos) {
        announced_ = std::stoull(*length);
      }
    }
  }

  int status() const override { return status_; }
  std::optional<std::string> header(const std::string& name) const override {
    return request_.header(utf8_to_wide(name));
  }

  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override {
    auto count = request_.read(buffer, capacity);
    if (!count) return count;
    received_ += count.value();
    // WinHTTP may end a body whose connection closed early as if it were complete;
    // short of the length its head announced, it is a broken connection.
    if (count.value() == 0 && capacity > 0 && announced_ && received_ < *announced_) {
      return Error{"the connection closed " + std::to_string(*announced_ - received_) +
                   " bytes before the end of the response body"};
    }
    return count;
  }

 private:
  // The request closes before the connection it was opened on: members are
  // destroyed in the reverse order of their declaration.
  InternetHandle connection_;
  WinHttpRequest request_;
  int status_;
  std::optional<std::uint64_t> announced_;  // Content-Length, when the head has one
  std::uint64_t received_ = 0;
};

class WinHttpAgent final : public HttpAgent {
 public:
  WinHttpAgent(AgentSettings settings, InternetHandle session, std::unique_ptr<ExtraTrustAnchor> anchor,
               UserProxySettings user_proxy, bool per_request_proxy, InternetHandle resolver)
      : settings_(std::move(settings)),
        session_(std::move(session)),
        anchor_(std::move(anchor)),
        user_proxy_(std::move(user_proxy)),
        per_request_proxy_(per_request_proxy),
        resolver_(std::move(resolver)) {}

  Result<std::unique_ptr<HttpResponse>> send(const HttpRequest& request) const override {
    if (request.proxy_used != nullptr) request.proxy_used->clear();
    if (request.cancel != nullptr && request.cancel->load()) return Error{kRequestCancelled};
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

    std::wstring headers;
    for (const HttpHeader& header : request.headers) {
      headers += utf8_to_wide(header.name) + L": " + utf8_to_wide(header.value) + L"\r\n";
    }
    const std::string body = request.body.value_or(std::string());

    WinHttpRequest::Pin pin;
    pin.pinned = &settings_.pinned;
    pin.anchor = anchor_.get();
    pin.wide_host = host;
    pin.host = wide_to_utf8(host);
    const bool pin_applies = settings_.pinned.applies_to(pin.host) || anchor_ != nullptr;
    WinHttpRequest::Limits limits{settings_.connect_limit, settings_.head_limit, request.cancel};
    // The session carries a static proxy itself; only the fallback for scripts
    // sets one on each request.
    const std::optional<ProxyChoice> proxy =
        per_request_proxy_ ? QUILLMAR_TRY(scripted_proxy_for(resolver_.get(), user_proxy_, url, request.cancel))
                           : user_proxy_.fixed;
    // WinHTTP sends a host on the bypass list direct, past the proxy.
    if (proxy && !bypasses_proxy(wide_to_utf8(proxy->bypass), pin.host)) {
      note_proxy(wide_to_utf8(proxy->proxy), pin.host);
      if (request.proxy_used != nullptr) *request.proxy_used = wide_to_utf8(proxy->proxy);
    }

    // The body, which carries the nonce and the chosen version, is never handed to
    // WinHttpSendRequest: it goes out with WinHttpWriteData only once the pin check
    // in the notification has passed.
    std::optional<WinHttpRequest> sent_request;
    auto open_and_send = [&](DWORD security_flags, DWORD& send_error, DWORD& secure_failure) -> Result<void> {
      sent_request.emplace(QUILLMAR_TRY(
          WinHttpRequest::open(connection.get(), utf8_to_wide(request.method), path, pin, security_flags, limits)));
      if (proxy && (per_request_proxy_ || !proxy->user.empty())) {
        if (auto set = sent_request->use_proxy(proxy->proxy, proxy->bypass, proxy->user, proxy->password); !set) {
          return set;
        }
      }
      auto sent = sent_request->send(headers, static_cast<DWORD>(body.size()));
      send_error = sent_request->send_error();
      secure_failure = sent_request->secure_failure();
      if (!sent) return sent;
      // The notification is the only place the key is seen; a request it did not
      // reach is refused rather than trusted unchecked.
      if (!sent_request->pin_checked() && pin_applies) {
        sent_request->drop_connection();
        return Error{kNoCertificate};
      }
      return {};
    };

    DWORD send_error = 0;
    DWORD secure_failure = 0;
    Result<void> sent = open_and_send(0, send_error, secure_failure);
    // The proxy refused the tunnel for want of a sign-in that neither the user's
    // logon nor credentials in the proxy setting could give. (Wine instead starts
    // TLS over the proxy's 407 and fails with error 12157, keeping no status.)
    const std::string proxy_name = proxy ? wide_to_utf8(proxy->proxy) : std::string("in use");
    if (!sent && sent_request && sent_request->status_if_any() == 407) return Error{proxy_sign_in_text(proxy_name)};
    // A refusal or an expired limit leaves no WinHTTP error and is never retried.
    if (!sent && anchor_ && failed_on_unknown_root_only(send_error, secure_failure)) {
      sent_request.reset();
      sent = open_and_send(SECURITY_FLAG_IGNORE_UNKNOWN_CA, send_error, secure_failure);
    }
    if (!sent) {
      if (sent_request && sent_request->refused()) sent_request->drop_connection();
      return sent.error();
    }
    QUILLMAR_TRY(sent_request->write_and_receive(body));
    const int status = QUILLMAR_TRY(sent_request->status());
    if (status == 407) return Error{proxy_sign_in_text(proxy_name)};
    // The head is in: from here on only the request's own body limit applies.
    sent_request->start_body(request.body_limit, request.stall_limit);
    return std::unique_ptr<HttpResponse>(
        std::make_unique<WinHttpResponse>(std::move(connection), std::move(*sent_request), status));
  }

 private:
  void note_proxy(const std::string& proxy, const std::string& host) const { proxy_note_.note(settings_, proxy, host); }

  AgentSettings settings_;
  InternetHandle session_;
  std::unique_ptr<ExtraTrustAnchor> anchor_;  // development builds only
  UserProxySettings user_proxy_;
  bool per_request_proxy_;   // the session goes direct; scripts choose each request's proxy
  InternetHandle resolver_;  // synchronous, for WinHttpGetProxyForUrl
  mutable ProxyNote proxy_note_;
};

}  // namespace

Result<std::shared_ptr<const HttpAgent>> HttpAgent::create(AgentSettings settings) {
  const std::wstring user_agent = utf8_to_wide(settings.user_agent);
  UserProxySettings user_proxy = read_user_proxy_settings();
  bool per_request_proxy = false;
  InternetHandle session;
  if (user_proxy.fixed && !user_proxy.scripted()) {
    // A static proxy alone: the session takes it, as automatic mode would.
    session.reset(WinHttpOpen(user_agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, user_proxy.fixed->proxy.c_str(),
                              user_proxy.fixed->bypass.empty() ? WINHTTP_NO_PROXY_BYPASS
                                                               : user_proxy.fixed->bypass.c_str(),
                              WINHTTP_FLAG_ASYNC));
  } else {
    session.reset(WinHttpOpen(user_agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!session) {
      // Before Windows 8.1: direct, and each request asks the user's script.
      per_request_proxy = user_proxy.scripted();
      session.reset(WinHttpOpen(user_agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    } else {
      // Automatic mode applies the user's settings itself; what it picks is not
      // known here, so it is not logged.
      user_proxy.fixed.reset();
    }
  }
  if (!session) return Error{winhttp_error_text(GetLastError())};
  InternetHandle resolver;
  if (per_request_proxy) {
    resolver.reset(WinHttpOpen(user_agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  }

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
  std::unique_ptr<ExtraTrustAnchor> anchor;
  if (!settings.extra_trust_anchor_pem.empty()) {
    auto made = ExtraTrustAnchor::from_pem(settings.extra_trust_anchor_pem);
    if (!made) return Error{made.error().message};
    anchor = std::move(made).value();
  }
  return std::shared_ptr<const HttpAgent>(
      std::make_shared<WinHttpAgent>(std::move(settings), std::move(session), std::move(anchor),
                                     std::move(user_proxy), per_request_proxy, std::move(resolver)));
}

}  // namespace quillmar
