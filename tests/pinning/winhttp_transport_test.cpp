// The WinHTTP backend under Wine against the host's development release server:
// the servers are started by wine-transport-run, which passes their URLs here. The
// WinHttpExtraAnchor cases run first, in a prefix that does not trust the
// development CA; the rest run after the CA was added to the prefix's Root store.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "install/download.h"

#include "server/release_parts.h"
#include "system/sha256.h"

namespace quillmar {
namespace {

using nlohmann::json;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::shared_ptr<const ReleaseClient> client(const std::string& base_url, const std::string& anchor_pem = "") {
  const auto pins = parse_pins(variable("QUILLMAR_TEST_PINS"));
  EXPECT_TRUE(pins.ok());
  // Without an anchor, Schannel must trust the development CA through the prefix's store.
  auto built = make_release_client(base_url, pins.value(), anchor_pem);
  EXPECT_TRUE(built.ok()) << built.error().message;
  return built.value();
}

std::string diagnostic_of(const ReleaseResult<JsonAnswer>& answer) {
  if (!answer) return answer.error().diagnostic();
  return "status " + std::to_string(answer.value().status);
}

std::string with_other_case(std::string url) {
  const auto at = url.find("localhost");
  if (at != std::string::npos) url.replace(at, 9, "LocalHost");
  return url;
}

TEST(WinHttpExtraAnchor, ThePrefixItselfDoesNotTrustTheDevelopmentCa) {
  // Without this, the cases below would not show the anchor doing anything.
  EXPECT_EQ(diagnostic_of(client(variable("QUILLMAR_TEST_PINNED_URL"))->get_json(kCataloguePath)), "Network");
}

TEST(WinHttpExtraAnchor, AChainToTheAnchorIsAcceptedAndPinned) {
  const std::string url = variable("QUILLMAR_TEST_PINNED_URL");
  for (const std::string& base : {url, with_other_case(url)}) {
    const auto release_client = client(base, variable("QUILLMAR_TEST_CA_PEM"));
    const auto catalogue = release_client->get_json(kCataloguePath);
    ASSERT_EQ(diagnostic_of(catalogue), "status 200") << base;
    EXPECT_EQ(catalogue.value().body["version"], "1.5.13");
    const auto posted = release_client->post_json(kPreflightPath, {{"nonce", "n"}});
    ASSERT_EQ(diagnostic_of(posted), "status 200") << base;
    EXPECT_EQ(posted.value().body["nonce"], "n");
  }
}

TEST(WinHttpExtraAnchor, PinsHostNamesAndOtherRootsStillRefuse) {
  const std::string anchor = variable("QUILLMAR_TEST_CA_PEM");
  // Same CA, a key that matches no pin.
  EXPECT_EQ(diagnostic_of(client(variable("QUILLMAR_TEST_UNPINNED_URL"), anchor)->post_json(kPreflightPath, {{"nonce", "n"}})),
            "Network");
  // An anchor the server's chain does not lead to.
  EXPECT_EQ(diagnostic_of(client(variable("QUILLMAR_TEST_PINNED_URL"), variable("QUILLMAR_TEST_OTHER_CA_PEM"))
                              ->get_json(kCataloguePath)),
            "Network");
  // A host the certificate does not name, with no pin applying to it: only the
  // host-name check stands in the way, and the anchor must not lift it.
  std::string by_address = variable("QUILLMAR_TEST_UNPINNED_URL");
  by_address.replace(by_address.find("localhost"), 9, "127.0.0.1");
  auto stream = client("https://release.invalid", anchor)->open_download(by_address + kCataloguePath, std::chrono::seconds(60), nullptr);
  EXPECT_FALSE(stream.ok());
  // The same request by the certificate's name goes through, so the refusal above
  // was the host name's.
  auto named = client("https://release.invalid", anchor)
                   ->open_download(variable("QUILLMAR_TEST_UNPINNED_URL") + kCataloguePath, std::chrono::seconds(60), nullptr);
  ASSERT_TRUE(named.ok()) << named.error().message;
  EXPECT_EQ(named.value()->status(), 200);
}

TEST(WinHttpTransport, AChainTheSystemTrustsPassesWhateverTheAnchor) {
  // The prefix trusts the development CA by now; an anchor that has nothing to do
  // with the server's chain must not stand in the way of the system's own verdict.
  const std::string base = variable("QUILLMAR_TEST_PINNED_URL");
  auto stream = client(base, variable("QUILLMAR_TEST_OTHER_CA_PEM"))->open_download(base + kCataloguePath, std::chrono::seconds(60), nullptr);
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  EXPECT_EQ(stream.value()->status(), 200);
}

TEST(WinHttpTransport, PinnedServerAnswersAndTrailingSlashesGo) {
  const auto release_client = client(variable("QUILLMAR_TEST_PINNED_URL") + "///");
  const auto catalogue = release_client->get_json(kCataloguePath);
  ASSERT_EQ(diagnostic_of(catalogue), "status 200");
  EXPECT_EQ(catalogue.value().body["version"], "1.5.13");
  const auto posted = release_client->post_json(kPreflightPath, {{"nonce", "n"}});
  ASSERT_EQ(diagnostic_of(posted), "status 200");
  EXPECT_EQ(posted.value().body["nonce"], "n");
  EXPECT_EQ(diagnostic_of(client(with_other_case(variable("QUILLMAR_TEST_PINNED_URL")))->get_json(kCataloguePath)),
            "status 200");
}

TEST(WinHttpTransport, AnUnpinnedKeyIsANetworkFailureInAnyLetterCase) {
  const std::string url = variable("QUILLMAR_TEST_UNPINNED_URL");
  for (const std::string& base : {url, with_other_case(url)}) {
    EXPECT_EQ(diagnostic_of(client(base)->post_json(kPreflightPath, {{"nonce", "n"}})), "Network") << base;
  }
}

TEST(WinHttpTransport, AnotherHostIsLeftToSchannel) {
  auto stream = client("https://release.invalid")
                    ->open_download(variable("QUILLMAR_TEST_UNPINNED_URL") + kCataloguePath, std::chrono::seconds(60), nullptr);
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  EXPECT_EQ(stream.value()->status(), 200);
}

TEST(WinHttpTransport, StatusesAndBodiesThatAreNotJson) {
  const auto release_client = client(variable("QUILLMAR_TEST_FAULTY_URL"));
  EXPECT_EQ(diagnostic_of(release_client->post_json(kPreflightPath, json::object())), "status 404");
  const auto catalogue = release_client->get_json(kCataloguePath);
  ASSERT_EQ(diagnostic_of(catalogue), "status 200");
  EXPECT_TRUE(catalogue.value().body.is_null());
}

// Where the server serves the package: under its digest.
std::string package_path() {
  return std::string(kDownloadPath) + variable("QUILLMAR_TEST_PACKAGE_SHA256") + "/quillmar-setup-1.5.13.exe";
}

TEST(WinHttpTransport, DownloadsArePulledWhole) {
  const std::string base = variable("QUILLMAR_TEST_PINNED_URL");
  auto stream = client(base)->open_download(base + package_path(), std::chrono::seconds(1800), nullptr);
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  ASSERT_EQ(stream.value()->status(), 200);
  std::string bytes;
  std::vector<std::uint8_t> buffer(262144);
  while (true) {
    const auto count = stream.value()->read(buffer.data(), buffer.size());
    ASSERT_TRUE(count.ok()) << count.error().message;
    if (count.value() == 0) break;
    bytes.append(reinterpret_cast<const char*>(buffer.data()), count.value());
  }
  EXPECT_EQ(bytes.size(), std::stoull(variable("QUILLMAR_TEST_PACKAGE_SIZE")));
  EXPECT_EQ(to_hex(sha256_of(bytes)), variable("QUILLMAR_TEST_PACKAGE_SHA256"));
}

std::vector<json> lines_of(const std::string& file) {
  std::vector<json> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(json::parse(line));
  }
  return lines;
}

TEST(WinHttpTransport, ADownloadCutAtHalfResumesWithARange) {
  // The server drops the connection after half of the package, once.
  const std::string base = variable("QUILLMAR_TEST_CUT_URL");
  const std::uint64_t size = std::stoull(variable("QUILLMAR_TEST_PACKAGE_SIZE"));
  const Package package{"1.5.13", "quillmar-setup-1.5.13.exe", size, variable("QUILLMAR_TEST_PACKAGE_SHA256"),
                        base + package_path()};
  const auto file = std::filesystem::temp_directory_path() / "quillmar-resume-test.exe";
  std::atomic<bool> cancel{false};
  const auto started = std::chrono::steady_clock::now();
  const DownloadResult result = downloadPackage(package, *client(base), Path(file), cancel, [](const InstallProgress&) {});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(result.ok()) << result.error().message;
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::filesystem::remove(file);
  EXPECT_EQ(to_hex(sha256_of(bytes)), package.sha256);

  std::vector<json> gets;
  for (const json& request : lines_of(variable("QUILLMAR_TEST_CUT_REQUESTS"))) {
    if (request["method"] == "GET") gets.push_back(request);
  }
  std::uint64_t served = 0;
  for (const json& answer : lines_of(variable("QUILLMAR_TEST_CUT_SERVED"))) served += answer["bytes"].get<std::uint64_t>();
  std::printf("resumed download under WinHTTP, cut at half: %zu GETs, %llu bytes served for %llu, %.2f s\n", gets.size(),
              static_cast<unsigned long long>(served), static_cast<unsigned long long>(size), seconds);
  ASSERT_EQ(gets.size(), 2u);
  EXPECT_FALSE(gets[0]["headers"].contains("Range"));
  EXPECT_EQ(gets[1]["headers"].value("Range", ""), "bytes=" + std::to_string(size / 2) + "-");
  EXPECT_EQ(gets[1]["headers"].value("If-Range", ""), "\"" + package.sha256 + "\"");
  EXPECT_LE(served, size + 512 * 1024);
}

}  // namespace
}  // namespace quillmar
