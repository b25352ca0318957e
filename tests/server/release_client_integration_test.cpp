// The release client against the development release server on loopback: the
// pinned transport, the request conventions and every fault the server can inject.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <thread>

#include "install/download.h"
#include "server/release_parts.h"
#include "server/release_values.h"
#include "signature/signature_verifier.h"
#include "support/child_process.h"
#include "support/release_server_process.h"
#include "support/scratch.h"
#include "system/installer_log.h"
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

  // Trusts the development CA unless TRUSTS_DEVELOPMENT_CA is false: then the
  // system's roots alone.
  std::shared_ptr<const ReleaseClient> client(const std::string& base_url, bool trusts_development_ca = true) {
    const auto pins = parse_pins(testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "pins.txt"));
    EXPECT_TRUE(pins.ok());
    const std::string anchor = trusts_development_ca ? testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "ca.pem") : "";
    auto built = make_release_client(base_url, pins.value(), anchor);
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
    if (!answer) return answer.error().diagnostic();
    return "status " + std::to_string(answer.value().status);
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
  EXPECT_EQ(catalogue.value().body["version"], "1.5.13");

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

TEST_F(ReleaseClientTest, ThePlatformsRefusalsStandBesideThePin) {
  // The key is pinned in both cases, so only the platform's own validation can
  // refuse: the host name the certificate names, and the chain to a trusted root.
  const auto server = serve();
  const struct {
    const char* name;
    std::shared_ptr<const ReleaseClient> client;
  } cases[] = {
      {"a host name the certificate does not carry", client("https://127.0.0.1:" + std::to_string(server->port()))},
      {"a chain the client does not trust", client(server->base_url(), false)},
  };
  for (const auto& test : cases) EXPECT_EQ(diagnostic_of(test.client->get_json(kCataloguePath)), "Network") << test.name;
  EXPECT_TRUE(requests_received().empty());
}

TEST_F(ReleaseClientTest, AnotherHostIsLeftToThePlatformsValidation) {
  const auto server = serve({"--unpinned-key"});
  // Pinned to another host name, the client checks nothing beyond the chain and
  // the host name, so the unpinned key on localhost is accepted.
  const auto release_client = client("https://release.invalid");
  auto stream = release_client->open_download(server->base_url() + kCataloguePath, std::chrono::seconds(60), nullptr);
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  EXPECT_EQ(stream.value()->status(), 200);
}

TEST_F(ReleaseClientTest, StatusesReachTheCallerAndClassify) {
  const std::pair<int, const char*> cases[] = {
      {404, "Unavailable"}, {409, "Unavailable"}, {500, "Server(500)"}, {204, "Server(204)"}, {503, "Server(503)"}};
  for (const auto& [status, diagnostic] : cases) {
    const auto server = serve({"--status", "preflight=" + std::to_string(status)});
    const auto answer = client(server->base_url())->post_json(kPreflightPath, json::object());
    ASSERT_TRUE(answer.ok()) << status;
    EXPECT_EQ(answer.value().status, status);
    EXPECT_EQ(classify_status(status).diagnostic(), diagnostic);
  }
}

TEST_F(ReleaseClientTest, BodiesThatAreNotJsonReadAsNull) {
  for (const char* body : {"<html>busy</html>", "", "{\"version\":", "[1,2"}) {
    const auto server = serve({"--body", std::string("downloads=") + body});
    const auto answer = client(server->base_url())->get_json(kCataloguePath);
    ASSERT_EQ(diagnostic_of(answer), "status 200") << body;
    EXPECT_TRUE(answer.value().body.is_null()) << body;
  }
}

TEST_F(ReleaseClientTest, ARefusedConnectionIsANetworkFailure) {
  const auto server = serve();
  const std::string base = server->base_url();
  ASSERT_TRUE(server->stop_cleanly());
  EXPECT_EQ(diagnostic_of(client(base)->get_json(kCataloguePath)), "Network");
}

// Pulls a whole download. Reads of the package download's own size alternate with
// odd small ones, so bytes that arrive beyond what one read asked for are kept for
// the next rather than lost or repeated.
struct Pulled {
  int status = 0;
  std::string bytes;
  std::optional<std::string> error;
};

Pulled pull(const ReleaseClient& client, const std::string& url) {
  Pulled pulled;
  auto stream = client.open_download(url, std::chrono::seconds(1800), nullptr);
  if (!stream) {
    pulled.error = stream.error().message;
    return pulled;
  }
  pulled.status = stream.value()->status();
  std::vector<std::uint8_t> buffer(262144);
  const std::size_t read_sizes[] = {buffer.size(), 1, 4093, buffer.size(), buffer.size()};
  for (std::size_t reads = 0;; ++reads) {
    const auto count = stream.value()->read(buffer.data(), read_sizes[reads % std::size(read_sizes)]);
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
  const std::string path =
      std::string(kDownloadPath) + newest["sha256"].get<std::string>() + "/" + newest["filename"].get<std::string>();
  const std::string original = testing::read_file(releases() / "1.5.13" / newest["filename"].get<std::string>());
  ASSERT_EQ(original.size(), newest["size_bytes"].get<std::size_t>());

  // The package spans several of the server's pieces, so a fault has to land at
  // its place in the whole body, not in each piece.
  ASSERT_GT(original.size(), 3u * 1024 * 1024);
  std::string wrong = original;
  wrong[wrong.size() / 2] ^= 0x5a;
  struct Case {
    std::vector<std::string> switches;
    std::string expected;
  };
  const Case cases[] = {
      {{}, original},
      {{"--package-body", "slow", "--slow-delay-ms", "1"}, original},
      {{"--package-body", "short"}, original.substr(0, original.size() - 1)},
      {{"--package-body", "long"}, original + "Q"},
      {{"--package-body", "wrong"}, wrong},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.switches.empty() ? "as packaged" : test.switches[1]);
    const auto server = serve(test.switches);
    const Pulled pulled = pull(*client(server->base_url()), server->base_url() + path);
    ASSERT_FALSE(pulled.error) << *pulled.error;
    EXPECT_EQ(pulled.status, 200);
    EXPECT_EQ(pulled.bytes.size(), test.expected.size());
    EXPECT_TRUE(pulled.bytes == test.expected) << "the body differs from what was served";
  }
  EXPECT_EQ(to_hex(sha256_of(original)), newest["sha256"]);

  const auto cut = serve({"--package-body", "cut"});
  const Pulled pulled = pull(*client(cut->base_url()), cut->base_url() + path);
  ASSERT_TRUE(pulled.error.has_value()) << "a body cut off midway must not read as complete";
  EXPECT_EQ(pulled.bytes.size(), original.size() / 2);
  EXPECT_TRUE(pulled.bytes == original.substr(0, original.size() / 2));

  const auto missing = serve({"--status", "download=404"});
  EXPECT_EQ(pull(*client(missing->base_url()), missing->base_url() + path).status, 404);
}

// A 32 MiB package downloaded with the installer's own download loop over a link
// that breaks: the server cuts, stalls or ignores ranges, and the download must
// still end with the package, at little more than its size in bytes served.
class ResumedDownload : public ::testing::Test {
 protected:
  static constexpr std::uint64_t kSize = std::uint64_t{32} * 1024 * 1024;
  static constexpr std::uint64_t kHalf = kSize / 2;

  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchFolder();
    std::string bytes(kSize, '\0');
    std::uint64_t state = 0x9e3779b97f4a7c15;
    for (char& byte : bytes) {
      state = state * 6364136223846793005 + 1442695040888963407;
      byte = static_cast<char>(state >> 56);
    }
    package_ = new Package{"1.5.13", "quillmar-setup-1.5.13.exe", kSize, to_hex(sha256_of(bytes)), ""};
    const fs::path folder = scratch_->path() / "releases" / "1.5.13";
    testing::write_file(folder / package_->filename, bytes);
    testing::write_file(folder / "release.json",
                        json({{"filename", package_->filename}, {"published_at", "2030-01-02T03:04:05Z"},
                              {"sha256", package_->sha256}, {"size_bytes", kSize}, {"version", "1.5.13"}})
                            .dump());
  }
  static void TearDownTestSuite() {
    delete package_;
    delete scratch_;
  }

  struct Outcome {
    std::string ending;  // "installed", "cancelled" or the failure's detail
    std::vector<json> gets;
    std::uint64_t served = 0;
    double seconds = 0;
    std::chrono::steady_clock::time_point ended_at;
    std::vector<std::uint64_t> downloaded;  // of each progress event
  };

  // Downloads the package from a server started with SWITCHES; CANCEL_WHEN, when
  // given, is polled on another thread with the package answers served so far and
  // sets the cancel flag once it holds.
  Outcome download(std::vector<std::string> switches, DownloadLimits limits = {},
                   std::function<bool(std::size_t)> cancel_when = {}) {
    std::error_code ignored;
    fs::remove(requests_, ignored);
    fs::remove(served_, ignored);
    fs::remove(file_, ignored);
    switches.insert(switches.end(), {"--request-log", requests_.string(), "--served-log", served_.string()});
    const auto server = std::make_unique<ReleaseServerProcess>(scratch_->path() / "releases", switches);
    const auto pins = parse_pins(testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "pins.txt"));
    auto client = make_release_client(server->base_url(), pins.value(),
                                      testing::read_file(fs::path(QUILLMAR_DEV_TLS_DIR) / "ca.pem"));
    Package package = *package_;
    package.download_url = server->base_url() + kDownloadPath + package.sha256 + "/" + package.filename;

    Outcome outcome;
    std::atomic<bool> cancel{false};
    std::atomic<bool> ended{false};
    std::thread watcher;
    if (cancel_when) {
      watcher = std::thread([&] {
        while (!ended.load() && !cancel_when(lines_of(served_).size())) {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        cancel = true;
      });
    }
    const auto started = std::chrono::steady_clock::now();
    const DownloadResult result = downloadPackage(
        package, *client.value(), Path(file_), cancel,
        [&](const InstallProgress& progress) {
          outcome.downloaded.push_back(std::get<DownloadProgress>(progress).downloaded);
        },
        // A clock a second on at every look, so every chunk gives a progress event.
        [at = std::chrono::steady_clock::time_point{}]() mutable { return at += std::chrono::seconds(1); }, limits);
    outcome.ended_at = std::chrono::steady_clock::now();
    outcome.seconds = std::chrono::duration<double>(outcome.ended_at - started).count();
    ended = true;
    if (watcher.joinable()) watcher.join();
    EXPECT_TRUE(server->stop_cleanly());

    outcome.ending = result ? "installed" : result.error().cancelled ? "cancelled" : result.error().message;
    if (result) EXPECT_EQ(to_hex(sha256_of(testing::read_file(file_))), package.sha256);
    else EXPECT_FALSE(fs::exists(file_));
    for (const json& request : lines_of(requests_)) {
      if (request["method"] == "GET") outcome.gets.push_back(request);
    }
    for (const json& answer : lines_of(served_)) outcome.served += answer["bytes"].get<std::uint64_t>();
    return outcome;
  }

  static std::vector<json> lines_of(const fs::path& file) {
    std::vector<json> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) lines.push_back(json::parse(line));
    }
    return lines;
  }

  static inline testing::ScratchFolder* scratch_ = nullptr;
  static inline Package* package_ = nullptr;
  testing::ScratchFolder own_;
  fs::path requests_ = own_.path() / "requests.jsonl";
  fs::path served_ = own_.path() / "served.jsonl";
  fs::path file_ = own_.path() / "quillmar-setup-1.5.13.exe";
};

TEST_F(ResumedDownload, ABrokenLinkResumesWhereItStoppedOrStartsOver) {
  const std::string etag = "\"" + package_->sha256 + "\"";
  const std::string from_half = "bytes=" + std::to_string(kHalf) + "-";
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    DownloadLimits limits;
    std::vector<std::string> ranges;  // Range of each GET ("" for none)
    bool starts_over;                 // progress goes back to byte 0
  };
  const Case cases[] = {
      {"cut at half", {"--drop-after", std::to_string(kHalf)}, {}, {"", from_half}, false},
      {"three cuts",
       {"--drop-after", std::to_string(kSize / 4), "--drop-times", "3"},
       {},
       {"", "bytes=8388608-", "bytes=16777216-", "bytes=25165824-"},
       false},
      {"range ignored", {"--drop-after", std::to_string(kHalf), "--ignore-range"}, {}, {"", from_half}, true},
      {"stall", {"--stall-after", std::to_string(kHalf)}, {std::chrono::seconds(1800), std::chrono::seconds(2)},
       {"", from_half}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = download(c.switches, c.limits);
    std::printf("resumed download, %s: %zu GETs, %llu bytes served for %llu, %.2f s\n", c.name, outcome.gets.size(),
                static_cast<unsigned long long>(outcome.served), static_cast<unsigned long long>(kSize),
                outcome.seconds);
    EXPECT_EQ(outcome.ending, "installed");
    ASSERT_EQ(outcome.gets.size(), c.ranges.size());
    for (std::size_t i = 0; i < c.ranges.size(); ++i) {
      const json& headers = outcome.gets[i]["headers"];
      EXPECT_EQ(headers.value("Range", ""), c.ranges[i]) << i;
      EXPECT_EQ(headers.value("If-Range", ""), c.ranges[i].empty() ? "" : etag) << i;
    }
    // Each event follows new bytes, so only a start from byte 0 repeats or lowers
    // the count: the progress honestly goes back then, and only then.
    const bool went_back = std::adjacent_find(outcome.downloaded.begin(), outcome.downloaded.end(),
                                              std::greater_equal<>()) != outcome.downloaded.end();
    EXPECT_EQ(went_back, c.starts_over);
    EXPECT_LE(outcome.served, c.starts_over ? kHalf + kSize : kSize + 512 * 1024);
    ASSERT_FALSE(outcome.downloaded.empty());
    EXPECT_EQ(outcome.downloaded.back(), kSize);
  }
}

// Each row is a server that answers a resumption wrongly, or gives no validator to
// resume with safely; each rule of the download loop is the only thing between
// that server and a spliced package, a failed complete one, or an endless retry.
TEST_F(ResumedDownload, TrustsARangeAnswerOnlyWhenItContinuesExactly) {
  const std::string cut = std::to_string(kHalf);
  const std::string from_half = "bytes=" + cut + "-";
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    std::vector<std::string> ranges;  // Range of each GET ("" for none)
    std::string ending;
  };
  const Case cases[] = {
      {"a 206 from another byte", {"--drop-after", cut, "--range-answer", "other-start"}, {"", from_half, ""}, "installed"},
      {"a 206 that stops short", {"--drop-after", cut, "--range-answer", "other-end"}, {"", from_half, ""}, "installed"},
      {"a 206 of another size", {"--drop-after", cut, "--range-answer", "other-total"}, {"", from_half, ""}, "installed"},
      {"a changed ETag, If-Range ignored", {"--drop-after", cut, "--range-answer", "new-etag"}, {"", from_half, ""},
       "installed"},
      {"a 416 once", {"--drop-after", cut, "--range-answer", "416"}, {"", from_half, ""}, "installed"},
      {"a 416 twice",
       {"--drop-after", cut, "--drop-times", "2", "--range-answer", "416", "--range-answer-times", "2"},
       {"", from_half, "", from_half},
       "HTTP 416"},
      {"a 503", {"--drop-after", cut, "--range-answer", "503"}, {"", from_half}, "HTTP 503"},
      {"only a weak ETag", {"--drop-after", cut, "--validator", "weak"}, {"", ""}, "installed"},
      {"no validator", {"--drop-after", cut, "--validator", "none"}, {"", ""}, "installed"},
      {"only Last-Modified", {"--drop-after", cut, "--validator", "last-modified"}, {"", from_half}, "installed"},
      {"six cuts, one past the cap",
       {"--drop-after", std::to_string(kSize / 8), "--drop-times", "6"},
       {"", "bytes=4194304-", "bytes=8388608-", "bytes=12582912-", "bytes=16777216-", "bytes=20971520-"},
       "transfer closed with 8388608 bytes remaining to read"},
      {"cut after the last byte", {"--package-body", "long", "--drop-after", std::to_string(kSize)}, {""}, "installed"},
  };
  DownloadLimits limits;
  limits.first_pause = std::chrono::milliseconds(10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = download(c.switches, limits);
    EXPECT_EQ(outcome.ending, c.ending);
    ASSERT_EQ(outcome.gets.size(), c.ranges.size());
    for (std::size_t i = 0; i < c.ranges.size(); ++i) {
      const json& headers = outcome.gets[i]["headers"];
      EXPECT_EQ(headers.value("Range", ""), c.ranges[i]) << i;
      EXPECT_EQ(headers.contains("If-Range"), !c.ranges[i].empty()) << i;
    }
  }
}

TEST_F(ResumedDownload, AWrongBodyIsDownloadedOnce) {
  const Outcome outcome = download({"--package-body", "wrong"});
  EXPECT_EQ(outcome.ending, "SHA-256 mismatch");
  EXPECT_EQ(outcome.gets.size(), 1u);
}

TEST_F(ResumedDownload, ACancelDuringThePauseEndsTheDownloadAtOnce) {
  // Every answer is cut after 4 MiB; the third cut is followed by a pause of four
  // seconds, and the cancel comes a little into it.
  std::optional<std::chrono::steady_clock::time_point> third_cut;
  std::chrono::steady_clock::time_point cancelled_at;
  const Outcome outcome =
      download({"--drop-after", std::to_string(kSize / 8), "--drop-times", "6"}, {}, [&](std::size_t served) {
        if (served < 3) return false;
        if (!third_cut) third_cut = std::chrono::steady_clock::now();
        cancelled_at = std::chrono::steady_clock::now();
        return cancelled_at - *third_cut >= std::chrono::milliseconds(300);
      });
  EXPECT_EQ(outcome.ending, "cancelled");
  EXPECT_EQ(outcome.gets.size(), 3u);
  ASSERT_TRUE(third_cut.has_value());
  // Well within the four-second pause, and within a second of the cancel.
  EXPECT_LT(outcome.ended_at - cancelled_at, std::chrono::seconds(1));
}

// The signed requests end to end: the server signs with the development key, the
// installer's own verifier checks, and every fault switch gives its error.
class SignedRequests : public ReleaseClientTest {
 protected:
  SignedRequests() {
    auto built = SignatureVerifier::from_key(testing::read_file(QUILLMAR_DEV_SIGNING_PUBLIC_KEY),
                                             QUILLMAR_DEV_SIGNING_KEY_SHA256);
    EXPECT_TRUE(built.ok()) << built.error().message;
    verifier_ = built.value();
  }

  // The release list (none when the request failed) and the log line of one
  // catalogue request.
  std::pair<std::optional<ReleaseList>, std::string> catalogue(const std::vector<std::string>& switches,
                                                const std::string& base_suffix = "") {
    const auto server = serve(switches);
    testing::ScratchFolder logs;
    auto log = InstallerLog::open_in(Path(logs.path()));
    const auto releases = run_catalogue_request(*client(server->base_url() + base_suffix), *verifier_, *log);
    std::optional<ReleaseList> listed;
    if (releases) listed = releases.value();
    return {listed, testing::read_file(logs.path() / "installer.log")};
  }

  std::string package_diagnostic(const std::vector<std::string>& switches,
                                 const std::optional<std::string>& version = std::nullopt) {
    const auto server = serve(switches);
    const auto result = request_package(*client(server->base_url()), *verifier_, version);
    if (!result) return result.error().diagnostic();
    return "Package " + result.value().version;
  }

  std::shared_ptr<const SignatureVerifier> verifier_;
};

TEST_F(SignedRequests, TheCatalogueListsTheReleasesOffered) {
  const std::string newest_date = release("1.5.13")["published_at"];
  const std::string previous_date = release("1.5.12")["published_at"];
  const auto [releases, log] = catalogue({}, "/");
  EXPECT_EQ(releases, (ReleaseList{{"1.5.13", newest_date, true}, {"1.5.12", previous_date, false}}));
  EXPECT_EQ(log, "preflight succeeded: 2 versions offered\n");
}

TEST_F(SignedRequests, TheCatalogueReportsHandshakeFailuresByReason) {
  constexpr char kClock[] = "the server clock differs from this computer's by more than five minutes";
  struct Case {
    std::vector<std::string> switches;
    std::optional<ReleaseList> releases;
    std::string log;
  };
  const Case cases[] = {
      {{"--unpinned-key"}, std::nullopt, "preflight failed: Network\n"},
      {{"--status", "preflight=404"}, std::nullopt, "preflight failed: Unavailable\n"},
      {{"--status", "preflight=503"}, std::nullopt, "preflight failed: Server(503)\n"},
      {{"--clock-offset", "480"}, std::nullopt, std::string("preflight failed: Untrusted(\"") + kClock + "\")\n"},
      {{"--clock-offset", "-480"}, std::nullopt, std::string("preflight failed: Untrusted(\"") + kClock + "\")\n"},
      {{"--body", "preflight=not json"},
       std::nullopt,
       "preflight failed: Untrusted(\"the answer does not echo this request's nonce\")\n"},
      {{"--status", "downloads=500"}, ReleaseList{}, "preflight succeeded: 0 versions offered\n"},
      {{"--body", "downloads=[]"}, ReleaseList{}, "preflight succeeded: 0 versions offered\n"},
      // Sixty thousand nested arrays as the date: too deep to be an answer.
      {{"--body", R"(downloads={"version":"1.5.13","artifacts":{"windows_x86_64":{"published_at":)" +
                      std::string(60000, '[') + std::string(60000, ']') + "}}}"},
       ReleaseList{},
       "preflight succeeded: 0 versions offered\n"},
  };
  for (const Case& test : cases) {
    const auto [releases, log] = catalogue(test.switches);
    EXPECT_EQ(releases, test.releases) << test.switches.front();
    EXPECT_EQ(log, test.log) << test.switches.front();
  }
}

TEST_F(SignedRequests, ThePackageAnswerNamesTheReleaseAsked) {
  const auto server = serve();
  const auto release_client = client(server->base_url());
  for (const std::optional<std::string>& version : {std::optional<std::string>(), std::optional<std::string>("1.5.12")}) {
    const auto result = request_package(*release_client, *verifier_, version);
    ASSERT_TRUE(result.ok()) << result.error().diagnostic();
    const Package& package = result.value();
    const json described = release(version.value_or("1.5.13"));
    EXPECT_EQ(package.version, described["version"]);
    EXPECT_EQ(package.filename, described["filename"]);
    EXPECT_EQ(package.size_bytes, described["size_bytes"]);
    EXPECT_EQ(package.sha256, described["sha256"]);
    // Under its digest: the bytes of a package URL never change.
    EXPECT_EQ(package.download_url, server->base_url() + kDownloadPath + package.sha256 + "/" + package.filename);
    // The package it names downloads whole and matches its digest.
    const Pulled pulled = pull(*release_client, package.download_url);
    ASSERT_FALSE(pulled.error) << *pulled.error;
    EXPECT_EQ(to_hex(sha256_of(pulled.bytes)), package.sha256);
  }
  const auto received = requests_received();
  ASSERT_EQ(received.size(), 4u);
  const json first = json::parse(received[0]["body"].get<std::string>());
  const json second = json::parse(received[2]["body"].get<std::string>());
  EXPECT_FALSE(first.contains("version"));
  EXPECT_EQ(second["version"], "1.5.12");
  EXPECT_NE(first["nonce"], second["nonce"]);
}

TEST_F(SignedRequests, EveryFaultOfThePackageAnswerIsRefused) {
  const auto untrusted_text = [](const char* message) { return std::string("Untrusted(\"") + message + "\")"; };
  struct Case {
    std::vector<std::string> switches;
    std::string diagnostic;
    std::optional<std::string> version = std::nullopt;
  };
  const Case cases[] = {
      {{"--status", "authorize=409"}, "Unavailable"},
      {{"--status", "authorize=500"}, "Server(500)"},
      {{}, "Unavailable", "9.9.9"},
      {{"--unpinned-key"}, "Network"},
      {{"--wrong-nonce"}, untrusted_text("the answer does not echo this request's nonce")},
      {{"--clock-offset", "-480"},
       untrusted_text("the server clock differs from this computer's by more than five minutes")},
      {{"--drop-member", "signature"}, untrusted_text("the answer lacks a valid signature")},
      {{"--drop-member", "sig_alg"}, untrusted_text("the answer lacks a valid signature")},
      {{"--drop-member", "sig_version"}, untrusted_text("the answer lacks a valid signature")},
      {{"--broken-signature"}, untrusted_text("signature verification failed")},
      {{"--float-member"}, untrusted_text("a signed answer carries a floating-point number")},
      {{"--answer-version", "1.5.12"}, untrusted_text("the answer names another version than the one chosen"), "1.5.13"},
      {{"--package-member", "schema=\"quillmar-installer-authorize-v2\""},
       untrusted_text("the answer does not name a package for this platform")},
      {{"--package-member", "size_bytes=\"12\""}, untrusted_text("malformed package answer")},
      {{"--package-member", "filename=\"../quillmar.exe\""}, untrusted_text("the package answer failed its checks")},
      {{"--package-member", "size_bytes=2147483649"}, untrusted_text("the package answer failed its checks")},
      {{"--package-member", "sha256=\"abc\""}, untrusted_text("the package answer failed its checks")},
      {{"--package-member", "download_url=\"https://localhost:1/api/v1/installer/download/x.exe\""},
       untrusted_text("the package answer failed its checks")},
      {{"--answer-version", "1.5.12"}, "Package 1.5.12"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(package_diagnostic(test.switches, test.version), test.diagnostic)
        << (test.switches.empty() ? "no switch" : test.switches.front() + " " + test.switches.back());
  }
}

}  // namespace
}  // namespace quillmar
