#include "server/release_client.h"

#include "pinning/http_agent.h"
#include "server/release_parts.h"
#include "system/json_text.h"
#include "system/product.h"

namespace quillmar {
namespace {

// The release server's JSON answers are a few kilobytes; a body beyond this is not
// one of them and is not worth holding in memory.
constexpr std::size_t kJsonBodyLimit = std::size_t{8} * 1024 * 1024;

class PinnedReleaseClient final : public ReleaseClient {
 public:
  PinnedReleaseClient(std::string base_url, std::shared_ptr<const HttpAgent> agent,
                      std::function<void(const std::string&)> log)
      : base_url_(std::move(base_url)), agent_(std::move(agent)), log_(std::move(log)) {}

  const std::string& base_url() const override { return base_url_; }

  ReleaseResult<JsonAnswer> post_json(std::string_view path, const nlohmann::json& body) const override {
    HttpRequest request;
    request.method = "POST";
    request.url = base_url_ + std::string(path);
    request.headers = {{"Accept", "application/json"}, {"Content-Type", "application/json; charset=utf-8"}};
    request.body = compact_json(body);
    return exchange(request);
  }

  ReleaseResult<JsonAnswer> get_json(std::string_view path) const override {
    HttpRequest request;
    request.method = "GET";
    request.url = base_url_ + std::string(path);
    request.headers = {{"Accept", "application/json"}};
    return exchange(request);
  }

  Result<std::unique_ptr<ResponseStream>> send_download(const DownloadRequest& download) const override {
    HttpRequest request;
    request.method = "GET";
    request.url = download.url;
    request.headers = download.headers;
    request.body_limit = download.body_limit;
    request.stall_limit = download.stall_limit;
    request.cancel = download.cancel;
    return agent_->send(request);
  }

 private:
  // Any failure before the whole answer is in is Network; the transport's text
  // (a refused pin among them) goes no further.
  ReleaseResult<JsonAnswer> exchange(HttpRequest request) const {
    const ReleaseError network = network_error();
    std::string proxy;
    request.proxy_used = &proxy;
    auto response = agent_->send(request);
    if (!response) {
      // Network carries no detail, and a direct request's log says only that. Through
      // a proxy the cause (a sign-in it wants, a key it presents in the server's
      // place, named by its issuer) is what whoever reads the log needs.
      if (log_ && !proxy.empty()) log_("request failed: " + response.error().message);
      return network;
    }
    std::string text;
    std::uint8_t buffer[16384];
    while (true) {
      const auto count = response.value()->read(buffer, sizeof buffer);
      if (!count) return network;
      if (count.value() == 0) break;
      text.append(reinterpret_cast<const char*>(buffer), count.value());
      if (text.size() > kJsonBodyLimit) return network;
    }
    JsonAnswer answer;
    answer.status = response.value()->status();
    answer.body = parse_json_text(text);
    return answer;
  }

  std::string base_url_;
  std::shared_ptr<const HttpAgent> agent_;
  std::function<void(const std::string&)> log_;
};

}  // namespace

std::string trim_base_url(std::string_view base_url) {
  while (!base_url.empty() && base_url.back() == '/') base_url.remove_suffix(1);
  return std::string(base_url);
}

Result<std::shared_ptr<const ReleaseClient>> make_release_client(std::string base_url, std::vector<Sha256Digest> pins,
                                                                 std::string extra_trust_anchor_pem,
                                                                 std::function<void(const std::string&)> log) {
  base_url = trim_base_url(base_url);
  AgentSettings settings;
  settings.user_agent = std::string("Quillmar-Installer/") + kInstallerVersion;
  settings.connect_limit = std::chrono::seconds(10);
  settings.head_limit = std::chrono::seconds(30);
  settings.pinned = PinnedTls::for_base_url(base_url, std::move(pins));
  settings.extra_trust_anchor_pem = std::move(extra_trust_anchor_pem);
  settings.log = log;
  auto agent = QUILLMAR_TRY(HttpAgent::create(std::move(settings)));
  return std::shared_ptr<const ReleaseClient>(
      std::make_shared<PinnedReleaseClient>(std::move(base_url), std::move(agent), std::move(log)));
}

Result<std::shared_ptr<const ReleaseClient>> ReleaseClient::build(std::string base_url,
                                                                  std::function<void(const std::string&)> log) {
  return make_release_client(std::move(base_url), compiled_pins(), std::string(compiled_extra_trust_anchor()),
                             std::move(log));
}

}  // namespace quillmar
