#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pinning/pinned_tls.h"
#include "system/result.h"

namespace quillmar {

struct HttpHeader {
  std::string name;
  std::string value;
};

struct HttpRequest {
  std::string method;  // "GET" or "POST"
  std::string url;     // absolute https URL
  std::vector<HttpHeader> headers;
  std::optional<std::string> body;
  // A limit on receiving the whole body, counted from the response head; none
  // when absent.
  std::optional<std::chrono::seconds> body_limit;
  // A limit on waiting for the next body byte: a body that stalls this long fails
  // like a broken connection. None when absent.
  std::optional<std::chrono::milliseconds> stall_limit;
  // When given, the request ends within a fraction of a second of the flag being
  // set, whatever the server does; a request whose flag is already set never
  // connects. The flag must outlive the response.
  const std::atomic<bool>* cancel = nullptr;
  // When given, receives the proxy ("host:port") that carried this request, also
  // when it failed, and is left empty when the request went direct: what a caller
  // logs of a failure must describe this request, not the one before it.
  std::string* proxy_used = nullptr;
};

// The error text of a request ended by its cancel flag.
inline constexpr char kRequestCancelled[] = "the request was cancelled";

// The error text of a body that stalled for LIMIT.
inline std::string stalled_body_text(std::chrono::milliseconds limit) {
  if (limit.count() % 1000 == 0) return "no body byte for " + std::to_string(limit.count() / 1000) + " seconds";
  return "no body byte for " + std::to_string(limit.count()) + " ms";
}

// A response whose head has arrived; the body is pulled by the caller, so a slow
// reader slows the transfer down instead of filling memory.
class HttpResponse {
 public:
  virtual ~HttpResponse() = default;
  virtual int status() const = 0;
  // The value of the response header NAME (any letter case), if the head has it.
  virtual std::optional<std::string> header(const std::string& name) const = 0;
  // Reads up to CAPACITY body bytes; 0 at the end of the body.
  virtual Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) = 0;
};

struct AgentSettings {
  std::string user_agent;
  std::chrono::seconds connect_limit{10};
  std::chrono::seconds head_limit{30};  // from sending the request to the whole head
  PinnedTls pinned;
  std::string extra_trust_anchor_pem;  // empty: the system store alone
  // Where the agent writes what the installer log should say about the network:
  // which proxy carries the requests. May be empty.
  std::function<void(const std::string&)> log;
};

// The error text of a request that a proxy refused for want of sign-in.
std::string proxy_sign_in_text(const std::string& proxy);

// Whether HOST is on BYPASS_LIST, a Windows proxy bypass list: entries separated
// by semicolons or white space, "*" matching any run of characters, "<local>" any
// host name without a dot, letter case ignored. Such a host is reached directly.
bool bypasses_proxy(std::string_view bypass_list, std::string_view host);

// Writes to an agent's log the proxy its connections go through, each time it
// differs from the last one written. Safe for concurrent use.
class ProxyNote {
 public:
  void note(const AgentSettings& settings, const std::string& proxy, const std::string& host);

 private:
  mutable std::mutex mutex_;
  std::string last_;
};

// The HTTPS agent shared by every thread that talks to the release server. Each
// request runs on its caller's thread; the agent itself is immutable.
class HttpAgent {
 public:
  static Result<std::shared_ptr<const HttpAgent>> create(AgentSettings settings);

  virtual ~HttpAgent() = default;

  // Sends REQUEST and returns once the response head has arrived. Any failure
  // before that (name resolution, connection, handshake, pin check, time limit,
  // I/O) is an error whose text is the transport's.
  virtual Result<std::unique_ptr<HttpResponse>> send(const HttpRequest& request) const = 0;
};

}  // namespace quillmar
