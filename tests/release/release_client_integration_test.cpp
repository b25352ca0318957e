// The release client against the development release server on loopback: the
// pinned transport, the request conventions and every fault the server can inject.

#include <gtest/gtest.h>

#include <fstream>

#include "integration/child_process.h"
#include "release_server_process.h"
#include "server/release_parts.h"
#include "support/scratch.h"
#include "system/json_text.h"
#include "system/sha256.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ReleaseServerProcess;

class ReleaseClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchFolder();
    testing::write_file(scratch_->path() / "content" / "readme.txt", "read me\n");
    for (const char* version : {"1.5.12", "1.5.13"}) {
      const auto result = testing::run_child(
          testing::program_from_environment("QUILLMAR_PACKAGE_RELEASE"),
          {"--stub", testing::program_from_environment("QUILLMAR_FAKE_SETUP_STUB").string(), "--app",
           testing::program_from_environment("QUILLMAR_FAKE_APP").string(), "--version", version, "--from",
           (scratch_->path() / "content").string(), "--releases", releases().string()});
      ASSERT_EQ(result.exit_code, 0);
    }
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  static fs::path releases() { return scratch_->path() / "releases"; }
  static json release(const std::string& version) {
    return json::parse(testing::read_file(releases() / version / "release.json"));
  }

  std::shared_ptr<const ReleaseClient> client(const std::string& base_url) {
    const auto pins = parse_pins(testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "pins.txt"));
    EXPECT_TRUE(pins.ok());
    auto built = make_release_client(base_url, pins.value(), testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "ca.pem"));
    EXPECT_TRUE(built.ok()) << built.error().message;
    return built.value();
  }

  std::unique_ptr<ReleaseServerProcess> serve(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.end(), {"--request-log", request_log_.string()});
    return std::make_unique<ReleaseServerProcess>(releases(), arguments);
  }

  std::vector<json> requests_received() const {
    std::vector<json> lines;
    std::ifstream in(request_log_);
    for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
    return lines;
  }

  static std::string diagnostic_of(const ReleaseResult<JsonAnswer>& answer) {
    if (const auto* error = std::get_if<ReleaseError>(&answer)) return error->diagnostic();
    return "status " + std::to_string(std::get<JsonAnswer>(answer).status);
  }

  static inline testing::ScratchFolder* scratch_ = nullptr;
  testing::ScratchFolder own_;
  fs::path request_log_ = own_.path() / "requests.jsonl";
};

TEST_F(ReleaseClientTest, PinnedServerAnswersWithTheRequestConventions) {
  const auto server = serve();
  const auto release_client = client(server->base_url() + "//");
  EXPECT_EQ(release_client->base_url(), server->base_url());

  const auto catalogue = release_client->get_json(kCataloguePath);
  ASSERT_EQ(diagnostic_of(catalogue), "status 200");
  EXPECT_EQ(std::get<JsonAnswer>(catalogue).body["version"], "1.5.13");

  const auto posted = release_client->post_json(kPreflightPath, {{"platform", "windows_x86_64"}, {"nonce", "n"}});
  ASSERT_EQ(diagnostic_of(posted), "status 200");

  const auto received = requests_received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0]["method"], "GET");
  EXPECT_EQ(received[0]["path"], kCataloguePath);
  EXPECT_EQ(received[0]["headers"]["Accept"], "application/json");
  EXPECT_EQ(received[0]["headers"]["User-Agent"], "Quillmar-Installer/1.5.13");
  EXPECT_EQ(received[1]["method"], "POST");
  EXPECT_EQ(received[1]["path"], kPreflightPath);
  EXPECT_EQ(received[1]["headers"]["Accept"], "application/json");
  EXPECT_EQ(received[1]["headers"]["Content-Type"], "application/json; charset=utf-8");
  EXPECT_EQ(received[1]["body"], R"({"nonce":"n","platform":"windows_x86_64"})");
  EXPECT_TRUE(server->stop_cleanly());
}

TEST_F(ReleaseClientTest, AValidChainWithAnUnpinnedKeyIsANetworkFailureBeforeAnyRequest) {
  const auto server = serve({"--unpinned-key"});
  for (const std::string& base : {server->base_url(), "https://LocalHost:" + std::to_string(server->port())}) {
    const auto answer = client(base)->post_json(kPreflightPath, json::object());
    EXPECT_EQ(diagnostic_of(answer), "Network") << base;
  }
  // The pin check refused the connection before the request was written.
  EXPECT_TRUE(requests_received().empty());
  // Host names in any letter case reach the pinned server.
  const auto pinned = serve();
  const auto answer = client("https://LOCALHOST:" + std::to_string(pinned->port()))->get_json(kCataloguePath);
  EXPECT_EQ(diagnostic_of(answer), "status 200");
}

TEST_F(ReleaseClientTest, AnotherHostIsLeftToThePlatformsValidation) {
  const auto server = serve({"--unpinned-key"});
  // Pinned to another host name, the client checks nothing beyond the chain and
  // the host name, so the unpinned key on localhost is accepted.
  const auto release_client = client("https://release.invalid");
  auto stream = release_client->open_download(server->base_url() + kCataloguePath, std::chrono::seconds(60));
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  EXPECT_EQ(stream.value()->status(), 200);
}

TEST_F(ReleaseClientTest, StatusesReachTheCallerAndClassify) {
  const std::pair<int, const char*> cases[] = {
      {404, "Unavailable"}, {409, "Unavailable"}, {500, "Server(500)"}, {204, "Server(204)"}, {503, "Server(503)"}};
  for (const auto& [status, diagnostic] : cases) {
    const auto server = serve({"--status", "preflight=" + std::to_string(status)});
    const auto answer = client(server->base_url())->post_json(kPreflightPath, json::object());
    ASSERT_TRUE(std::holds_alternative<JsonAnswer>(answer)) << status;
    EXPECT_EQ(std::get<JsonAnswer>(answer).status, status);
    EXPECT_EQ(classify_status(status).diagnostic(), diagnostic);
  }
}

TEST_F(ReleaseClientTest, BodiesThatAreNotJsonReadAsNull) {
  for (const char* body : {"<html>busy</html>", "", "{\"version\":", "[1,2"}) {
    const auto server = serve({"--body", std::string("downloads=") + body});
    const auto answer = client(server->base_url())->get_json(kCataloguePath);
    ASSERT_EQ(diagnostic_of(answer), "status 200") << body;
    EXPECT_TRUE(std::get<JsonAnswer>(answer).body.is_null()) << body;
  }
}

TEST_F(ReleaseClientTest, ARefusedConnectionIsANetworkFailure) {
  const auto server = serve();
  const std::string base = server->base_url();
  ASSERT_TRUE(server->stop_cleanly());
  EXPECT_EQ(diagnostic_of(client(base)->get_json(kCataloguePath)), "Network");
}

// Pulls a whole download in the reads the package download makes.
struct Pulled {
  int status = 0;
  std::string bytes;
  std::optional<std::string> error;
};

Pulled pull(const ReleaseClient& client, const std::string& url) {
  Pulled pulled;
  auto stream = client.open_download(url, std::chrono::seconds(1800));
  if (!stream) {
    pulled.error = stream.error().message;
    return pulled;
  }
  pulled.status = stream.value()->status();
  std::vector<std::uint8_t> buffer(262144);
  while (true) {
    const auto count = stream.value()->read(buffer.data(), buffer.size());
    if (!count) {
      pulled.error = count.error().message;
      return pulled;
    }
    if (count.value() == 0) return pulled;
    pulled.bytes.append(reinterpret_cast<const char*>(buffer.data()), count.value());
  }
}

TEST_F(ReleaseClientTest, PackageBodiesArriveAsServedFaultsIncluded) {
  const json newest = release("1.5.13");
  const std::string path = std::string(kDownloadPath) + "1.5.13/" + newest["filename"].get<std::string>();
  const std::string original = testing::read_file(releases() / "1.5.13" / newest["filename"].get<std::string>());
  ASSERT_EQ(original.size(), newest["size_bytes"].get<std::size_t>());

  struct Case {
    std::vector<std::string> switches;
    std::size_t size;
    bool same_digest;
  };
  const Case cases[] = {
      {{}, original.size(), true},
      {{"--package-body", "slow", "--slow-delay-ms", "1"}, original.size(), true},
      {{"--package-body", "short"}, original.size() - 1, false},
      {{"--package-body", "long"}, original.size() + 1, false},
      {{"--package-body", "wrong"}, original.size(), false},
  };
  for (const Case& test : cases) {
    const auto server = serve(test.switches);
    const Pulled pulled = pull(*client(server->base_url()), server->base_url() + path);
    ASSERT_FALSE(pulled.error) << *pulled.error;
    EXPECT_EQ(pulled.status, 200);
    EXPECT_EQ(pulled.bytes.size(), test.size);
    EXPECT_EQ(to_hex(sha256_of(pulled.bytes)) == newest["sha256"], test.same_digest);
  }

  const auto cut = serve({"--package-body", "cut"});
  const Pulled pulled = pull(*client(cut->base_url()), cut->base_url() + path);
  ASSERT_TRUE(pulled.error.has_value()) << "a body cut off midway must not read as complete";
  EXPECT_LT(pulled.bytes.size(), original.size());

  const auto missing = serve({"--status", "download=404"});
  EXPECT_EQ(pull(*client(missing->base_url()), missing->base_url() + path).status, 404);
}

}  // namespace
}  // namespace quillmar
