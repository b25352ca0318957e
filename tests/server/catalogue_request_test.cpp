// The catalogue request's flow over a scripted client and verifier: which answer
// leads to which preflight event and log line. The same flow against the real
// server, transport and verifier is in the integration tests.

#include <gtest/gtest.h>

#include "server/release_parts.h"
#include "server/release_values.h"
#include "signature/signature_verifier.h"
#include "support/scratch.h"
#include "system/installer_log.h"

namespace quillmar {
namespace {

using nlohmann::json;

class ScriptedClient final : public ReleaseClient {
 public:
  ReleaseResult<JsonAnswer> handshake = JsonAnswer{200, json::object()};
  ReleaseResult<JsonAnswer> catalogue = JsonAnswer{200, nullptr};
  bool echo_nonce = false;  // answer the handshake with the request's own nonce
  mutable std::vector<std::string> paths;
  mutable json last_body;

  const std::string& base_url() const override { return base_; }
  ReleaseResult<JsonAnswer> post_json(std::string_view path, const json& body) const override {
    paths.emplace_back(path);
    last_body = body;
    if (echo_nonce) return JsonAnswer{200, {{"nonce", body["nonce"]}}};
    return handshake;
  }
  ReleaseResult<JsonAnswer> get_json(std::string_view path) const override {
    paths.emplace_back(path);
    return catalogue;
  }
  Result<std::unique_ptr<ResponseStream>> send_download(const DownloadRequest&) const override {
    return Error{"not scripted"};
  }

 private:
  std::string base_ = "https://localhost:47443";
};

// Accepts an answer when it echoes the request's nonce, else fails with MESSAGE:
// enough to see that the flow hands the verifier the nonce it sent.
class NonceVerifier final : public SignatureVerifier {
 public:
  std::string message = "the answer does not echo this request's nonce";
  Result<void> verify(const json& answer, std::string_view nonce, std::int64_t) const override {
    if (answer.is_object() && answer.value("nonce", "") == nonce) return {};
    return Error{message};
  }
  const std::string& signing_key_sha256() const override { return digest_; }

 private:
  std::string digest_ = std::string(64, '0');
};

class CatalogueRequest : public ::testing::Test {
 protected:
  testing::ScratchFolder scratch_;
  ScriptedClient client_;
  NonceVerifier verifier_;
};

TEST_F(CatalogueRequest, FailuresOfTheHandshakeEndItWithOneLogLine) {
  struct Case {
    ReleaseResult<JsonAnswer> handshake;
    const char* log;
  };
  const Case cases[] = {
      {network_error(), "preflight failed: Network\n"},
      {JsonAnswer{404, nullptr}, "preflight failed: Unavailable\n"},
      {JsonAnswer{409, json::object()}, "preflight failed: Unavailable\n"},
      {JsonAnswer{503, nullptr}, "preflight failed: Server(503)\n"},
      {JsonAnswer{204, nullptr}, "preflight failed: Server(204)\n"},
      {JsonAnswer{200, nullptr}, "preflight failed: Untrusted(\"the answer does not echo this request's nonce\")\n"},
  };
  for (const Case& test : cases) {
    testing::ScratchFolder folder;
    client_.handshake = test.handshake;
    auto log = InstallerLog::open_in(Path(folder.path()));
    const auto result = run_catalogue_request(client_, verifier_, *log);
    ASSERT_FALSE(result) << test.log;
    EXPECT_EQ("preflight failed: " + result.error().diagnostic() + "\n", test.log);
    EXPECT_EQ(testing::read_file(folder.path() / "installer.log"), test.log);
  }
  // A failed handshake never asks for the catalogue.
  for (const std::string& path : client_.paths) EXPECT_EQ(path, kPreflightPath);
}

TEST_F(CatalogueRequest, SendsAFreshNonceAndListsTheCatalogue) {
  ScriptedClient client;
  client.echo_nonce = true;
  client.catalogue = JsonAnswer{200,
                                {{"version", "1.5.13"},
                                 {"artifacts", {{"windows_x86_64", {{"published_at", "2026-01-02T00:00:00Z"}}}}},
                                 {"previous", {{{"version", "1.5.12"}, {"artifacts", {{"windows_x86_64", {}}}}}}}}};
  auto log = InstallerLog::open_in(Path(scratch_.path()));
  const auto releases = run_catalogue_request(client, verifier_, *log);
  ASSERT_TRUE(releases);
  EXPECT_EQ(releases.value(), (ReleaseList{{"1.5.13", "2026-01-02T00:00:00Z", true}, {"1.5.12", nullptr, false}}));
  EXPECT_EQ(testing::read_file(scratch_.path() / "installer.log"), "preflight succeeded: 2 versions offered\n");
  EXPECT_EQ(client.paths, (std::vector<std::string>{kPreflightPath, kCataloguePath}));

  const std::string first_nonce = client.last_body["nonce"];
  EXPECT_EQ(first_nonce.size(), 48u);
  ASSERT_TRUE(run_catalogue_request(client, verifier_, *log));
  EXPECT_NE(client.last_body["nonce"], first_nonce);
}

TEST_F(CatalogueRequest, AFailedCatalogueFetchIsAnEmptyList) {
  ScriptedClient client;
  client.echo_nonce = true;
  for (const ReleaseResult<JsonAnswer>& catalogue :
       {ReleaseResult<JsonAnswer>(network_error()), ReleaseResult<JsonAnswer>(JsonAnswer{500, json::object()}),
        ReleaseResult<JsonAnswer>(JsonAnswer{200, nullptr})}) {
    client.catalogue = catalogue;
    testing::ScratchFolder folder;
    auto log = InstallerLog::open_in(Path(folder.path()));
    const auto releases = run_catalogue_request(client, verifier_, *log);
    ASSERT_TRUE(releases);
    EXPECT_EQ(releases.value(), ReleaseList{});
    EXPECT_EQ(testing::read_file(folder.path() / "installer.log"), "preflight succeeded: 0 versions offered\n");
  }
}

}  // namespace
}  // namespace quillmar
