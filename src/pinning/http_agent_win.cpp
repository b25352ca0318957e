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
#include <cstddef>
#include <memory>
#include <vector>

#include "pinning/http_agent.h"
#include "system/os_error.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// WinHTTP's own constant is missing from older MinGW-w64 headers.
constexpr DWORD kSecureProtocolTls13 = 0x00002000;

struct InternetCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

struct StoreCloser {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
struct EngineCloser {
  void operator()(HCERTCHAINENGINE engine) const { CertFreeCertificateChainEngine(engine); }
};
struct ChainFreer {
  void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using ChainOwner = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

// Chain statuses that only say the root is not among the system's trusted ones: an
// untrusted self-signed root at the top, or no issuer found at all when the server
// sends its leaf alone.
constexpr DWORD kUnknownRootStatus = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN;

constexpr char kChainRefused[] = "the server certificate does not chain to a trusted root";

// The chain of LEAF built by ENGINE (nullptr: the system's) for server
// authentication, from the certificates the server sent.
Result<ChainOwner> build_chain(HCERTCHAINENGINE engine, PCCERT_CONTEXT leaf) {
  LPSTR server_auth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = &server_auth;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, leaf, nullptr, leaf->hCertStore, &parameters, 0, nullptr, &chain)) {
    return Error{os_error_text(GetLastError())};
  }
  return ChainOwner(chain);
}

// The SSL policy's verdict on CHAIN for HOST: 0 when it passes.
DWORD ssl_policy_error(PCCERT_CHAIN_CONTEXT chain, const std::wstring& host) {
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) return GetLastError();
  return status.dwError;
}

// The development CA compiled into a development build, with a chain engine whose
// only root it is.
class ExtraTrustAnchor {
 public:
  static Result<std::unique_ptr<ExtraTrustAnchor>> from_pem(const std::string& pem) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                              nullptr, nullptr)) {
      return Error{"the extra trust anchor is not a PEM certificate"};
    }
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                              &size, nullptr, nullptr)) {
      return Error{"the extra trust anchor is not a PEM certificate"};
    }
    std::unique_ptr<void, StoreCloser> roots(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!roots) return Error{os_error_text(GetLastError())};
    if (!CertAddEncodedCertificateToStore(roots.get(), X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS,
                                          nullptr)) {
      return Error{"the extra trust anchor is not a certificate: " + os_error_text(GetLastError())};
    }
    CERT_CHAIN_ENGINE_CONFIG config{};
    // The size up to the exclusive root stores: Wine refuses the later, longer form,
    // and every Windows version with exclusive roots accepts this one.
    config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, dwExclusiveFlags);
    config.hExclusiveRoot = roots.get();
    HCERTCHAINENGINE engine = nullptr;
    if (!CertCreateCertificateChainEngine(&config, &engine)) return Error{os_error_text(GetLastError())};
    return std::unique_ptr<ExtraTrustAnchor>(new ExtraTrustAnchor(std::move(roots), engine));
  }

  // Whether a connection to HOST that presented LEAF may be used: fine as the system
  // judges it, or wrong in nothing but an unknown root and good under the anchor.
  Result<void> admit(PCCERT_CONTEXT leaf, const std::wstring& host) const {
    auto system_chain = build_chain(nullptr, leaf);
    if (!system_chain) return Error{system_chain.error().message};
    const DWORD system_status = system_chain.value()->TrustStatus.dwErrorStatus;
    if (system_status == CERT_TRUST_NO_ERROR && ssl_policy_error(system_chain.value().get(), host) == 0) return {};
    if (system_status == CERT_TRUST_NO_ERROR || (system_status & ~kUnknownRootStatus) != 0) return Error{kChainRefused};
    auto anchored = build_chain(engine_.get(), leaf);
    if (!anchored) return Error{anchored.error().message};
    // Both verdicts are needed: Wine's SSL policy passes a partial chain.
    if (anchored.value()->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR ||
        ssl_policy_error(anchored.value().get(), host) != 0) {
      return Error{kChainRefused};
    }
    return {};
  }

 private:
  ExtraTrustAnchor(std::unique_ptr<void, StoreCloser> roots, HCERTCHAINENGINE engine)
      : roots_(std::move(roots)), engine_(engine) {}

  std::unique_ptr<void, StoreCloser> roots_;
  std::unique_ptr<void, EngineCloser> engine_;
};

// What the status callback needs and what it found, for one request.
struct PinContext {
  const PinnedTls* pinned = nullptr;
  const ExtraTrustAnchor* anchor = nullptr;
  std::wstring wide_host;
  std::string host;
  bool checked = false;
  std::string refusal;
  DWORD secure_failure = 0;  // WINHTTP_CALLBACK_STATUS_FLAG_* of a failed handshake
};

void CALLBACK on_status(HINTERNET request, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
  if (context == 0) return;
  auto* pin = reinterpret_cast<PinContext*>(context);
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE) {
    if (information != nullptr && length >= sizeof(DWORD)) pin->secure_failure |= *static_cast<const DWORD*>(information);
    return;
  }
  if (status != WINHTTP_CALLBACK_STATUS_SENDING_REQUEST) return;
  PCCERT_CONTEXT certificate = nullptr;
  DWORD size = sizeof certificate;
  std::optional<std::span<const std::uint8_t>> leaf;
  if (WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) &&
      certificate != nullptr) {
    leaf = std::span<const std::uint8_t>(certificate->pbCertEncoded, certificate->cbCertEncoded);
  }
  Result<void> checked;
  // Every request of an agent with an anchor is judged, also on a kept-alive
  // connection, since that one may have been opened by a retry.
  if (pin->anchor != nullptr) {
    checked = certificate == nullptr ? Result<void>(Error{kNoCertificate}) : pin->anchor->admit(certificate, pin->wide_host);
  }
  if (checked) checked = pin->pinned->check(pin->host, leaf);
  if (certificate != nullptr) CertFreeCertificateContext(certificate);
  pin->checked = true;
  if (!checked) pin->refusal = checked.error().message;
}

// Whether a failed first attempt may be retried with the anchor: only when the
// system's sole complaint is the unknown root. Windows says so in the secure
// failure flags; Wine reports every certificate failure as a bare channel error
// without flags, which the retry's own chain check then sorts out.
bool failed_on_unknown_root_only(DWORD send_error, DWORD secure_failure) {
  if (send_error == ERROR_WINHTTP_SECURE_FAILURE) return secure_failure == WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
  return send_error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR && secure_failure == 0;
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
  WinHttpAgent(AgentSettings settings, InternetHandle session, std::unique_ptr<ExtraTrustAnchor> anchor)
      : settings_(std::move(settings)), session_(std::move(session)), anchor_(std::move(anchor)) {}

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

    std::wstring headers;
    for (const HttpHeader& header : request.headers) {
      headers += utf8_to_wide(header.name) + L": " + utf8_to_wide(header.value) + L"\r\n";
    }
    const std::string body = request.body.value_or(std::string());

    PinContext pin;
    pin.pinned = &settings_.pinned;
    pin.anchor = anchor_.get();
    pin.wide_host = host;
    pin.host = wide_to_utf8(host);
    InternetHandle handle;
    DWORD send_error = 0;
    auto open_and_send = [&](DWORD security_flags) -> Result<void> {
      handle = InternetHandle(WinHttpOpenRequest(connection.get(), utf8_to_wide(request.method).c_str(), path.c_str(),
                                                 nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                 WINHTTP_FLAG_SECURE));
      if (!handle) return Error{winhttp_error_text(GetLastError())};
      const int connect_ms = static_cast<int>(settings_.connect_limit.count() * 1000);
      const int head_ms = static_cast<int>(settings_.head_limit.count() * 1000);
      // Name resolution has no limit of its own; sending shares the head's.
      if (!WinHttpSetTimeouts(handle.get(), 0, connect_ms, head_ms, head_ms)) {
        return Error{winhttp_error_text(GetLastError())};
      }
      if (security_flags != 0 &&
          !WinHttpSetOption(handle.get(), WINHTTP_OPTION_SECURITY_FLAGS, &security_flags, sizeof security_flags)) {
        return Error{winhttp_error_text(GetLastError())};
      }
      if (WinHttpSetStatusCallback(handle.get(), &on_status,
                                   WINHTTP_CALLBACK_FLAG_SEND_REQUEST | WINHTTP_CALLBACK_FLAG_SECURE_FAILURE,
                                   0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        return Error{winhttp_error_text(GetLastError())};
      }
      pin.checked = false;
      pin.refusal.clear();
      pin.secure_failure = 0;
      const BOOL sent = WinHttpSendRequest(
          handle.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
          headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, static_cast<DWORD>(body.size()),
          reinterpret_cast<DWORD_PTR>(&pin));
      send_error = sent ? 0 : GetLastError();
      if (!pin.refusal.empty()) return Error{pin.refusal};
      if (!sent) return Error{winhttp_error_text(send_error)};
      // The notification is the only place the key is seen; a request it did not
      // reach is refused rather than trusted unchecked.
      if (!pin.checked && (settings_.pinned.applies_to(pin.host) || pin.anchor != nullptr)) {
        return Error{kNoCertificate};
      }
      return {};
    };

    Result<void> sent = open_and_send(0);
    if (!sent && anchor_ && pin.refusal.empty() && failed_on_unknown_root_only(send_error, pin.secure_failure)) {
      sent = open_and_send(SECURITY_FLAG_IGNORE_UNKNOWN_CA);
    }
    if (!sent) return sent.error();

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
  std::unique_ptr<ExtraTrustAnchor> anchor_;  // development builds only
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
  std::unique_ptr<ExtraTrustAnchor> anchor;
  if (!settings.extra_trust_anchor_pem.empty()) {
    auto made = ExtraTrustAnchor::from_pem(settings.extra_trust_anchor_pem);
    if (!made) return Error{made.error().message};
    anchor = std::move(made).value();
  }
  return std::shared_ptr<const HttpAgent>(
      std::make_shared<WinHttpAgent>(std::move(settings), std::move(session), std::move(anchor)));
}

}  // namespace quillmar
