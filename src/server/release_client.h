#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pinning/http_agent.h"
#include "system/result.h"

namespace quillmar {

class SignatureVerifier;
class InstallerLog;

// Why a request to the release server did not give a usable answer.
struct ReleaseError {
  enum class Kind { kUnavailable, kNetwork, kServer, kUntrusted };
  Kind kind = Kind::kNetwork;
  std::uint16_t status = 0;  // kServer only
  std::string message;       // kUntrusted only

  // "Unavailable", "Network", "Server(503)", "Untrusted(\"message\")".
  std::string diagnostic() const;
};

// A status and an answer body parsed as JSON (null when empty or not JSON).
struct JsonAnswer {
  int status = 0;
  nlohmann::json body;
};

template <typename T>
using ReleaseResult = Result<T, ReleaseError>;

// The accepted package answer, as the server gave it.
struct Package {
  std::string version;
  std::string filename;
  std::uint64_t size_bytes = 0;
  std::string sha256;
  std::string download_url;
};

// A response whose body is pulled in chunks, the package download: the pinned
// agent's own response, handed on as it is.
using ResponseStream = HttpResponse;

// A package GET as the download sends it.
struct DownloadRequest {
  std::string url;
  std::vector<HttpHeader> headers;
  std::chrono::seconds body_limit{0};
  std::optional<std::chrono::milliseconds> stall_limit;
  const std::atomic<bool>* cancel = nullptr;
};

// The release server's client: base URL, platform word and the pinned HTTPS agent.
// Built once at start-up and shared read-only by the worker threads.
class ReleaseClient {
 public:
  // BASE_URL loses its trailing slashes; the pins are those compiled in. LOG, when
  // given, receives the transport's lines for the installer log: the proxy used,
  // and the cause of a failure that the caller reports as Network.
  static Result<std::shared_ptr<const ReleaseClient>> build(std::string base_url,
                                                            std::function<void(const std::string&)> log = {});

  virtual ~ReleaseClient() = default;

  virtual const std::string& base_url() const = 0;

  // POST of BODY (compact, keys sorted) to base URL + PATH.
  virtual ReleaseResult<JsonAnswer> post_json(std::string_view path, const nlohmann::json& body) const = 0;

  // GET of base URL + PATH.
  virtual ReleaseResult<JsonAnswer> get_json(std::string_view path) const = 0;

  // GET of an absolute URL whose body is read in chunks, with BODY_LIMIT on
  // receiving the whole body. A set CANCEL (when given) ends the request and any
  // read waiting on it at once. The error text is the HTTP client's own.
  Result<std::unique_ptr<ResponseStream>> open_download(const std::string& url, std::chrono::seconds body_limit,
                                                        const std::atomic<bool>* cancel) const {
    return send_download({url, {}, body_limit, std::nullopt, cancel});
  }
  // The same GET with headers of its own (a resumption's Range and If-Range) and,
  // when given, a limit on waiting for the next body byte.
  virtual Result<std::unique_ptr<ResponseStream>> send_download(const DownloadRequest& request) const = 0;
};

// One release the page may offer: its version, the date the catalogue gives it and
// whether it is the catalogue's newest. The date is carried over as the server wrote
// it, whatever JSON value that is (null when it wrote none): the page shows it, the
// installer never reads it.
struct ReleaseEntry {
  std::string version;
  nlohmann::json published_at;
  bool newest = false;

  bool operator==(const ReleaseEntry&) const = default;
};

// The releases offered, in the catalogue's order, newest first. Empty when the
// catalogue could not be had.
using ReleaseList = std::vector<ReleaseEntry>;

// The catalogue request: the signed handshake, then the release list. Writes its
// log line either way.
ReleaseResult<ReleaseList> run_catalogue_request(const ReleaseClient& client, const SignatureVerifier& verifier,
                                                 InstallerLog& log);

// Writes the log line of a catalogue request that failed with ERROR, and returns
// ERROR: what the request answers when the handshake fails, or when there is no
// client to ask.
ReleaseError preflight_failure(ReleaseError error, InstallerLog& log);

// The package request: a signed answer naming the setup package of VERSION (the
// newest when none is given), verified and checked.
ReleaseResult<Package> request_package(const ReleaseClient& client, const SignatureVerifier& verifier,
                                       const std::optional<std::string>& version);

}  // namespace quillmar
