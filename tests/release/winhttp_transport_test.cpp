// The WinHTTP backend under Wine against the host's development release server:
// the servers are started by wine-release-run, which passes their URLs here.

#include <gtest/gtest.h>

#include <cstdlib>

#include "server/release_parts.h"
#include "system/sha256.h"

namespace quillmar {
namespace {

using nlohmann::json;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::shared_ptr<const ReleaseClient> client(const std::string& base_url) {
  const auto pins = parse_pins(variable("QUILLMAR_TEST_PINS"));
  EXPECT_TRUE(pins.ok());
  // No extra anchor: Schannel trusts the development CA through the prefix's store.
  auto built = make_release_client(base_url, pins.value(), "");
  EXPECT_TRUE(built.ok()) << built.error().message;
  return built.value();
}

std::string diagnostic_of(const ReleaseResult<JsonAnswer>& answer) {
  if (const auto* error = std::get_if<ReleaseError>(&answer)) return error->diagnostic();
  return "status " + std::to_string(std::get<JsonAnswer>(answer).status);
}

std::string with_other_case(std::string url) {
  const auto at = url.find("localhost");
  if (at != std::string::npos) url.replace(at, 9, "LocalHost");
  return url;
}

TEST(WinHttpTransport, PinnedServerAnswersAndTrailingSlashesGo) {
  const auto release_client = client(variable("QUILLMAR_TEST_PINNED_URL") + "///");
  const auto catalogue = release_client->get_json(kCataloguePath);
  ASSERT_EQ(diagnostic_of(catalogue), "status 200");
  EXPECT_EQ(std::get<JsonAnswer>(catalogue).body["version"], "1.5.13");
  const auto posted = release_client->post_json(kPreflightPath, {{"nonce", "n"}});
  ASSERT_EQ(diagnostic_of(posted), "status 200");
  EXPECT_EQ(std::get<JsonAnswer>(posted).body["nonce"], "n");
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
                    ->open_download(variable("QUILLMAR_TEST_UNPINNED_URL") + kCataloguePath, std::chrono::seconds(60));
  ASSERT_TRUE(stream.ok()) << stream.error().message;
  EXPECT_EQ(stream.value()->status(), 200);
}

TEST(WinHttpTransport, StatusesAndBodiesThatAreNotJson) {
  const auto release_client = client(variable("QUILLMAR_TEST_FAULTY_URL"));
  EXPECT_EQ(diagnostic_of(release_client->post_json(kPreflightPath, json::object())), "status 404");
  const auto catalogue = release_client->get_json(kCataloguePath);
  ASSERT_EQ(diagnostic_of(catalogue), "status 200");
  EXPECT_TRUE(std::get<JsonAnswer>(catalogue).body.is_null());
}

TEST(WinHttpTransport, DownloadsArePulledWhole) {
  const std::string base = variable("QUILLMAR_TEST_PINNED_URL");
  auto stream = client(base)->open_download(base + kDownloadPath + "1.5.13/quillmar-setup-1.5.13.exe",
                                            std::chrono::seconds(1800));
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

}  // namespace
}  // namespace quillmar
