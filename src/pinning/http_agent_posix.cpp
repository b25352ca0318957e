// The host's HTTP agent: libcurl with OpenSSL. Every transfer runs on its own multi
// handle, driven by the caller's thread, so the response body is pulled: the write
// callback copies straight into the buffer of the read() under way, keeps what does
// not fit, and pauses the transfer while unread bytes pile up; read() resumes it.
//
// The pin check runs in CURLOPT_PREREQFUNCTION, which libcurl calls once the
// connection (TLS handshake included) is up and before the request is written;
// refusing there aborts the transfer before any HTTP byte is sent. libcurl's own
// peer and host-name verification stay on (they are its defaults; set explicitly
// so a change of default cannot silently turn them off).
//
// The user's proxy comes from libcurl's own variables (https_proxy, all_proxy,
// no_proxy), which it reads unless told otherwise; any sign-in scheme libcurl
// offers may answer the proxy. Through a proxy the pin check still runs on the
// TLS session with the server, inside the CONNECT tunnel, never on the proxy.
//
// libcurl asks a proxy first without credentials and answers its 407 on the same
// connection. A proxy that closes that connection after its 407 without saying so
// leaves libcurl writing the credentials to a closed socket; when the user gave
// credentials, the request is made once more on a new connection with the one
// scheme the challenge named, which libcurl then sends from the first CONNECT on.

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "pinning/http_agent.h"
#include "system/text.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// Unread body bytes above which the transfer is paused until the caller reads.
constexpr std::size_t kPendingLimit = std::size_t{256} * 1024;
// libcurl's receive buffer. Its default (16 KiB) makes a large download cost one
// callback, and one read() by the caller, per TLS record.
constexpr long kReceiveBufferSize = long{256} * 1024;
// How long one wait for socket activity may last before the deadlines are looked at,
// and, for a request that can be cancelled, before its cancel flag is.
constexpr int kPollMilliseconds = 1000;
constexpr int kCancelPollMilliseconds = 50;

struct CurlEasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct X509Deleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
using X509Owner = std::unique_ptr<X509, X509Deleter>;

std::string host_of_url(const std::string& url) {
  CURLU* parsed = curl_url();
  std::string host;
  if (parsed != nullptr && curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* part = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
      host = part;
      curl_free(part);
    }
  }
  curl_url_cleanup(parsed);
  return host;
}

class CurlAgent;

// One request and its response, from sending to the end of the body.
class CurlTransfer final : public HttpResponse {
 public:
  // PROXY_AUTH: the CURLAUTH_* schemes that may answer a proxy.
  CurlTransfer(const CurlAgent& agent, const HttpRequest& request, long proxy_auth);
  ~CurlTransfer() override {
    if (multi_ && easy_) curl_multi_remove_handle(multi_.get(), easy_.get());
  }

  Result<void> start();
  int status() const override { return status_; }
  std::optional<std::string> header(const std::string& name) const override;
  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override;

  // The proxy ("address:port") that answered this transfer; empty when it went direct.
  const std::string& proxy() const { return proxy_; }
  // After a failed start: the one scheme to answer the proxy's 407 with on a new
  // connection, when the user gave credentials and the challenge named a scheme
  // they can answer; 0 otherwise.
  long sign_in_scheme_for_retry() const;

 private:
  std::size_t take_pending(std::uint8_t* buffer, std::size_t capacity);
  // One non-blocking step of the transfer; true when it delivered body bytes.
  bool step();
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_connected(void* self, char*, char*, int, int);

  // Drives the transfer until DONE_WAITING() holds or it ends.
  template <typename Condition>
  void drive(Condition done_waiting);
  Error failure_text() const;
  std::optional<Clock::time_point> deadline() const;

  const CurlAgent& agent_;
  HttpRequest request_;
  long proxy_auth_;
  std::string host_;
  std::string proxy_;
  std::unique_ptr<CURLM, CurlMultiDeleter> multi_;
  std::unique_ptr<CURL, CurlEasyDeleter> easy_;
  std::unique_ptr<curl_slist, CurlListDeleter> headers_;
  char error_buffer_[CURL_ERROR_SIZE] = {};

  // Where the read() under way wants its bytes, and how much room is left there.
  std::uint8_t* target_ = nullptr;
  std::size_t target_room_ = 0;
  std::size_t target_filled_ = 0;
  // Body bytes that arrived with no read() under way, or more than it had room for.
  std::string pending_;
  std::size_t pending_offset_ = 0;
  bool paused_ = false;
  bool finished_ = false;
  CURLcode result_ = CURLE_OK;
  std::string pin_error_;
  std::string timeout_error_;
  bool cancelled_ = false;
  std::optional<Clock::time_point> sent_at_;
  std::optional<Clock::time_point> head_at_;
  // When the read() under way began to wait for body bytes.
  std::optional<Clock::time_point> read_waiting_since_;
  int status_ = 0;
  // The header lines of the latest head, names in small letters.
  std::vector<HttpHeader> head_lines_;
  std::vector<HttpHeader> final_head_;
};

class CurlAgent final : public HttpAgent {
 public:
  explicit CurlAgent(AgentSettings settings, X509Owner anchor)
      : settings_(std::move(settings)), anchor_(std::move(anchor)) {}

  Result<std::unique_ptr<HttpResponse>> send(const HttpRequest& request) const override {
    if (request.proxy_used != nullptr) request.proxy_used->clear();
    if (request.cancel != nullptr && request.cancel->load()) return Error{kRequestCancelled};
    auto transfer = std::make_unique<CurlTransfer>(*this, request, static_cast<long>(CURLAUTH_ANY));
    Result<void> started = transfer->start();
    if (!started) {
      if (const long scheme = transfer->sign_in_scheme_for_retry(); scheme != 0) {
        transfer = std::make_unique<CurlTransfer>(*this, request, scheme);
        started = transfer->start();
      }
    }
    if (request.proxy_used != nullptr) *request.proxy_used = transfer->proxy();
    if (!started) return started.error();
    return std::unique_ptr<HttpResponse>(std::move(transfer));
  }

  const AgentSettings& settings() const { return settings_; }

  // Adds the development CA to the store OpenSSL checks the chain against, next to
  // the system's roots, never instead of them.
  static CURLcode add_trust_anchor(CURL*, void* ssl_context, void* self) {
    const auto* agent = static_cast<const CurlAgent*>(self);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(ssl_context));
    if (store == nullptr || X509_STORE_add_cert(store, agent->anchor_.get()) != 1) {
      // The same CA may already be there (a system that trusts it too).
      const unsigned long reason = ERR_GET_REASON(ERR_peek_last_error());
      ERR_clear_error();
      if (reason != X509_R_CERT_ALREADY_IN_HASH_TABLE) return CURLE_SSL_CACERT_BADFILE;
    }
    return CURLE_OK;
  }

  bool has_anchor() const { return anchor_ != nullptr; }

  void note_proxy(const std::string& proxy, const std::string& host) const { proxy_note_.note(settings_, proxy, host); }

 private:
  AgentSettings settings_;
  X509Owner anchor_;
  mutable ProxyNote proxy_note_;
};

// The address of the peer a transfer is connected to: through a proxy, the proxy.
std::string peer_address(CURL* easy) {
  char* ip = nullptr;
  long port = 0;
  curl_easy_getinfo(easy, CURLINFO_PRIMARY_IP, &ip);
  curl_easy_getinfo(easy, CURLINFO_PRIMARY_PORT, &port);
  return std::string(ip != nullptr ? ip : "") + ":" + std::to_string(port);
}

// The status a proxy answered the CONNECT with; 0 when no proxy was asked.
long proxy_status(CURL* easy) {
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &status);
  return status;
}

// Whether the proxy libcurl takes for an https URL from the environment carries
// credentials. libcurl reads these variables in this order; the first that is set
// names the proxy.
bool proxy_credentials_given() {
  for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') continue;
    CURLU* parsed = curl_url();
    char* user = nullptr;
    const bool given = parsed != nullptr &&
                       curl_url_set(parsed, CURLUPART_URL, value, CURLU_DEFAULT_SCHEME | CURLU_NON_SUPPORT_SCHEME) ==
                           CURLUE_OK &&
                       curl_url_get(parsed, CURLUPART_USER, &user, 0) == CURLUE_OK && user != nullptr && user[0] != '\0';
    curl_free(user);
    curl_url_cleanup(parsed);
    return given;
  }
  return false;
}

CurlTransfer::CurlTransfer(const CurlAgent& agent, const HttpRequest& request, long proxy_auth)
    : agent_(agent), request_(request), proxy_auth_(proxy_auth), host_(host_of_url(request.url)) {}

long CurlTransfer::sign_in_scheme_for_retry() const {
  if (proxy_auth_ != static_cast<long>(CURLAUTH_ANY) || proxy_status(easy_.get()) != 407 || cancelled_ ||
      !proxy_credentials_given()) {
    return 0;
  }
  long offered = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_PROXYAUTH_AVAIL, &offered);
  // The strongest first, as libcurl itself prefers them; each answers with a user
  // name and password.
  for (const unsigned long scheme : {CURLAUTH_NTLM, CURLAUTH_DIGEST, CURLAUTH_BASIC}) {
    if ((static_cast<unsigned long>(offered) & scheme) != 0) return static_cast<long>(scheme);
  }
  return 0;
}

Result<void> CurlTransfer::start() {
  multi_.reset(curl_multi_init());
  easy_.reset(curl_easy_init());
  if (!multi_ || !easy_) return Error{"the HTTP client could not start"};
  CURL* easy = easy_.get();
  const AgentSettings& settings = agent_.settings();

  curl_easy_setopt(easy, CURLOPT_URL, request_.url.c_str());
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error_buffer_);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
  // An HTTP/1.1 client: ALPN offers http/1.1 alone, so no server is ever spoken to
  // in HTTP/2, whatever it supports.
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_USERAGENT, settings.user_agent.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connect_limit.count() * 1000));
  curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_PROXYAUTH, proxy_auth_);
  if (agent_.has_anchor()) {
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &CurlAgent::add_trust_anchor);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &agent_);
  }
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CurlTransfer::on_connected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferSize);

  curl_slist* list = nullptr;
  for (const HttpHeader& header : request_.headers) {
    list = curl_slist_append(list, (header.name + ": " + header.value).c_str());
  }
  // The bodies are small; waiting for "100 Continue" would only add a round trip.
  list = curl_slist_append(list, "Expect:");
  headers_.reset(list);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

  if (request_.method == "POST") {
    // libcurl reads the body while the transfer runs: it must live in the transfer.
    if (!request_.body) request_.body.emplace();
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_.body->size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request_.body->data());
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  }

  if (curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) return Error{"the HTTP client could not start"};
  drive([this] { return head_at_.has_value(); });
  if (!head_at_) {
    // A proxy that refused the tunnel (a 407) is still the proxy this request took.
    if (proxy_status(easy_.get()) != 0) {
      proxy_ = peer_address(easy_.get());
      agent_.note_proxy(proxy_, host_);
    }
    return failure_text();
  }
  return {};
}

int CurlTransfer::on_connected(void* self, char*, char*, int, int) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  transfer->sent_at_ = Clock::now();
  if (proxy_status(transfer->easy_.get()) != 0) {
    transfer->proxy_ = peer_address(transfer->easy_.get());
    transfer->agent_.note_proxy(transfer->proxy_, transfer->host_);
  }
  std::optional<std::span<const std::uint8_t>> leaf;
  std::vector<std::uint8_t> der;
  curl_tlssessioninfo* session = nullptr;
  if (curl_easy_getinfo(transfer->easy_.get(), CURLINFO_TLS_SSL_PTR, &session) == CURLE_OK && session != nullptr &&
      session->backend == CURLSSLBACKEND_OPENSSL && session->internals != nullptr) {
    if (X509* certificate = SSL_get0_peer_certificate(static_cast<SSL*>(session->internals))) {
      const int size = i2d_X509(certificate, nullptr);
      if (size > 0) {
        der.resize(static_cast<std::size_t>(size));
        unsigned char* out = der.data();
        i2d_X509(certificate, &out);
        leaf = std::span<const std::uint8_t>(der);
      }
    }
  } else if (transfer->agent_.settings().pinned.applies_to(transfer->host_)) {
    // Without the TLS session the key cannot be checked: refuse rather than send.
    transfer->pin_error_ = kNoCertificate;
    return CURL_PREREQFUNC_ABORT;
  }
  const Result<void> checked = transfer->agent_.settings().pinned.check(transfer->host_, leaf);
  if (!checked) {
    transfer->pin_error_ = checked.error().message;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

// libcurl fixes the callback type, char* included, though the head is only read.
std::size_t CurlTransfer::on_header(char* data,  // NOLINT(readability-non-const-parameter)
                                    std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  const std::size_t length = size * count;
  // The blank line ends a head; heads of 1xx answers are followed by another.
  if ((length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n')) {
    long code = 0;
    curl_easy_getinfo(transfer->easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    if (code >= 200) {
      transfer->status_ = static_cast<int>(code);
      transfer->head_at_ = Clock::now();
      transfer->final_head_ = std::move(transfer->head_lines_);
    }
    transfer->head_lines_.clear();
    return length;
  }
  const std::string_view line(data, length);
  const auto colon = line.find(':');
  if (colon != std::string_view::npos && colon > 0) {
    std::string name = ascii_lower(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    const auto first = value.find_first_not_of(" \t");
    const auto last = value.find_last_not_of(" \t\r\n");
    value = first == std::string_view::npos ? std::string_view() : value.substr(first, last - first + 1);
    transfer->head_lines_.push_back({std::move(name), std::string(value)});
  }
  return length;
}

std::size_t CurlTransfer::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  const std::size_t length = size * count;
  const std::size_t into_target = std::min(length, transfer->target_room_);
  // Pausing hands the whole piece back to libcurl, so it is only done when none of
  // it can be taken.
  if (into_target == 0 && transfer->pending_.size() - transfer->pending_offset_ >= kPendingLimit) {
    transfer->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (into_target > 0) {
    std::memcpy(transfer->target_ + transfer->target_filled_, data, into_target);
    transfer->target_filled_ += into_target;
    transfer->target_room_ -= into_target;
  }
  if (into_target < length) {
    if (transfer->pending_offset_ > 0) {
      transfer->pending_.erase(0, transfer->pending_offset_);
      transfer->pending_offset_ = 0;
    }
    transfer->pending_.append(data + into_target, length - into_target);
  }
  return length;
}

std::optional<std::string> CurlTransfer::header(const std::string& name) const {
  const std::string wanted = ascii_lower(name);
  for (const HttpHeader& line : final_head_) {
    if (line.name == wanted) return line.value;
  }
  return std::nullopt;
}

std::optional<Clock::time_point> CurlTransfer::deadline() const {
  if (!head_at_) {
    if (!sent_at_) return std::nullopt;  // connecting: CURLOPT_CONNECTTIMEOUT_MS rules
    return *sent_at_ + agent_.settings().head_limit;
  }
  std::optional<Clock::time_point> limit;
  if (request_.body_limit) limit = *head_at_ + *request_.body_limit;
  if (request_.stall_limit && read_waiting_since_) {
    const auto stalled = *read_waiting_since_ + *request_.stall_limit;
    if (!limit || stalled < *limit) limit = stalled;
  }
  return limit;
}

bool CurlTransfer::step() {
  const std::size_t before = target_filled_ + pending_.size();
  int running = 0;
  curl_multi_perform(multi_.get(), &running);
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
    if (message->msg == CURLMSG_DONE) {
      finished_ = true;
      result_ = message->data.result;
    }
  }
  return target_filled_ + pending_.size() != before;
}

template <typename Condition>
void CurlTransfer::drive(Condition done_waiting) {
  while (!finished_ && !done_waiting()) {
    step();
    if (finished_ || done_waiting()) return;

    if (request_.cancel != nullptr && request_.cancel->load()) {
      cancelled_ = true;
      finished_ = true;
      result_ = CURLE_ABORTED_BY_CALLBACK;
      return;
    }
    int wait = request_.cancel != nullptr ? kCancelPollMilliseconds : kPollMilliseconds;
    if (const auto limit = deadline()) {
      const auto now = Clock::now();
      if (now >= *limit) {
        if (!head_at_) {
          timeout_error_ = "no response head within " + std::to_string(agent_.settings().head_limit.count()) +
                           " seconds";
        } else if (request_.body_limit && now >= *head_at_ + *request_.body_limit) {
          timeout_error_ = "the response body took longer than its time limit";
        } else {
          timeout_error_ = stalled_body_text(*request_.stall_limit);
        }
        finished_ = true;
        result_ = CURLE_OPERATION_TIMEDOUT;
        return;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*limit - now).count() + 1;
      wait = static_cast<int>(std::min<long long>(wait, left));
    }
    curl_multi_poll(multi_.get(), nullptr, 0, wait, nullptr);
  }
}

Error CurlTransfer::failure_text() const {
  if (!pin_error_.empty()) return Error{pin_error_};
  if (cancelled_) return Error{kRequestCancelled};
  if (!timeout_error_.empty()) return Error{timeout_error_};
  if (result_ == CURLE_OK) return Error{"the connection ended before the response"};
  if (proxy_status(easy_.get()) == 407) return Error{proxy_sign_in_text(peer_address(easy_.get()))};
  if (error_buffer_[0] != '\0') return Error{error_buffer_};
  return Error{curl_easy_strerror(result_)};
}

std::size_t CurlTransfer::take_pending(std::uint8_t* buffer, std::size_t capacity) {
  const std::size_t count = std::min(capacity, pending_.size() - pending_offset_);
  std::memcpy(buffer, pending_.data() + pending_offset_, count);
  pending_offset_ += count;
  if (pending_offset_ == pending_.size()) {
    pending_.clear();
    pending_offset_ = 0;
  }
  return count;
}

Result<std::size_t> CurlTransfer::read(std::uint8_t* buffer, std::size_t capacity) {
  if (capacity == 0) return std::size_t{0};
  std::size_t filled = take_pending(buffer, capacity);
  if (filled < capacity && !finished_) {
    target_ = buffer + filled;
    target_room_ = capacity - filled;
    target_filled_ = 0;
    if (paused_) {
      paused_ = false;
      curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
    }
    // Wait for the first bytes, then take whatever else is already there without
    // waiting again: a fuller buffer means fewer hashing and writing calls. While
    // the buffer has room the transfer never pauses, as the body callback always
    // has somewhere to put its bytes.
    // Bytes that came while nobody read are not a stall: the wait starts now.
    read_waiting_since_ = Clock::now();
    drive([&] { return filled + target_filled_ > 0; });
    read_waiting_since_.reset();
    while (!finished_ && target_room_ > 0 && step()) {
    }
    filled += target_filled_;
    target_ = nullptr;
    target_room_ = 0;
    target_filled_ = 0;
  }
  if (filled == 0 && finished_ && (result_ != CURLE_OK || !timeout_error_.empty() || cancelled_)) {
    return failure_text();
  }
  return filled;
}

}  // namespace

Result<std::shared_ptr<const HttpAgent>> HttpAgent::create(AgentSettings settings) {
  static std::once_flag global_init;
  static CURLcode global_result = CURLE_OK;
  std::call_once(global_init, [] { global_result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (global_result != CURLE_OK) return Error{curl_easy_strerror(global_result)};

  const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
  if (version == nullptr || version->ssl_version == nullptr || std::strncmp(version->ssl_version, "OpenSSL", 7) != 0) {
    return Error{"libcurl is not built with OpenSSL"};
  }

  X509Owner anchor;
  if (!settings.extra_trust_anchor_pem.empty()) {
    BIO* bio = BIO_new_mem_buf(settings.extra_trust_anchor_pem.data(),
                               static_cast<int>(settings.extra_trust_anchor_pem.size()));
    anchor.reset(bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    if (!anchor) return Error{"the extra trust anchor is not a PEM certificate"};
  }
  return std::shared_ptr<const HttpAgent>(std::make_shared<CurlAgent>(std::move(settings), std::move(anchor)));
}

}  // namespace quillmar
