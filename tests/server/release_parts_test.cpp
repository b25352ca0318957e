#include <gtest/gtest.h>

#include "server/release_parts.h"
#include "server/release_values.h"
#include "system/json_text.h"

namespace quillmar {
namespace {

using nlohmann::json;

TEST(BaseUrl, LosesEveryTrailingSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://localhost:47443", "https://localhost:47443"},
      {"https://localhost:47443/", "https://localhost:47443"},
      {"https://localhost:47443///", "https://localhost:47443"},
      {"https://example.com/base//", "https://example.com/base"},
      {"", ""},
  };
  for (const auto& [given, trimmed] : cases) EXPECT_EQ(trim_base_url(given), trimmed) << given;
}

TEST(StatusClassification, OnlyNotFoundAndConflictAreUnavailable) {
  const std::pair<int, const char*> cases[] = {
      {404, "Unavailable"}, {409, "Unavailable"}, {500, "Server(500)"}, {503, "Server(503)"},
      {204, "Server(204)"}, {201, "Server(201)"}, {301, "Server(301)"}, {400, "Server(400)"},
      {410, "Server(410)"},
  };
  for (const auto& [status, diagnostic] : cases) EXPECT_EQ(classify_status(status).diagnostic(), diagnostic) << status;
}

TEST(ReleaseErrorRendering, NamesTheKind) {
  struct Case {
    ReleaseError error;
    const char* diagnostic;
  };
  const Case cases[] = {
      {network_error(), "Network"},
      {classify_status(404), "Unavailable"},
      {classify_status(503), "Server(503)"},
      {untrusted("malformed server_time"), "Untrusted(\"malformed server_time\")"},
      {untrusted(R"(a "quoted" \ text)"), R"(Untrusted("a \"quoted\" \\ text"))"},
      {untrusted("two\nlines"), "Untrusted(\"two\nlines\")"},
  };
  for (const Case& test : cases) EXPECT_EQ(test.error.diagnostic(), test.diagnostic);
}

TEST(SignedRequestBody, IsCompactWithSortedMembers) {
  const std::string nonce(48, 'a');
  EXPECT_EQ(compact_json(signed_request_body(nonce, std::nullopt)),
            R"({"installer_version":"1.5.13","nonce":")" + nonce + R"(","platform":"windows_x86_64"})");
  EXPECT_EQ(compact_json(signed_request_body(nonce, "1.4.2")),
            R"({"installer_version":"1.5.13","nonce":")" + nonce +
                R"(","platform":"windows_x86_64","version":"1.4.2"})");
}

TEST(ReleaseList, FollowsTheCatalogueRules) {
  const json artifacts = {{"windows_x86_64", {{"published_at", "2026-01-02T00:00:00Z"}}}};
  const json mac_only = {{"macos_arm64", {{"published_at", "2026-01-02T00:00:00Z"}}}};
  struct Case {
    const char* name;
    json catalogue;
    ReleaseList releases;
  };
  const Case cases[] = {
      {"newest and a duplicate among the previous",
       {{"version", "1.5.13"},
        {"artifacts", artifacts},
        {"previous",
         {{{"version", "1.5.12"}, {"artifacts", artifacts}, {"published_at", "2025-12-01"}},
          {{"version", "1.5.13"}, {"artifacts", artifacts}, {"published_at", "2025-12-02"}}}}},
       {{"1.5.13", "2026-01-02T00:00:00Z", true}, {"1.5.12", "2025-12-01", false}}},
      {"newest without this platform, previous still offered",
       {{"version", "1.5.13"},
        {"artifacts", mac_only},
        {"previous", {{{"version", "1.5.12"}, {"artifacts", artifacts}, {"published_at", 7}}}}},
       {{"1.5.12", 7, false}}},
      {"previous without its own date gets null",
       {{"previous", {{{"version", "1.4"}, {"artifacts", artifacts}}}}},
       {{"1.4", nullptr, false}}},
      {"newest without a date in its artifact",
       {{"version", "2.0"}, {"artifacts", {{"windows_x86_64", json::object()}}}},
       {{"2.0", nullptr, true}}},
      {"null", nullptr, {}},
      {"array", json::array({{{"version", "1.5.13"}, {"artifacts", artifacts}}}), {}},
      {"previous as an object",
       {{"version", "1.5.13"}, {"artifacts", artifacts}, {"previous", {{"version", "1.4"}}}},
       {{"1.5.13", "2026-01-02T00:00:00Z", true}}},
      {"versions breaking the rule, non-object elements and artifacts",
       {{"version", "v1.5"},
        {"artifacts", artifacts},
        {"previous",
         {{{"version", "1"}, {"artifacts", artifacts}},
          {{"version", "1.5.13.7.2"}, {"artifacts", artifacts}},
          {{"version", 15}, {"artifacts", artifacts}},
          {{"version", "1.2"}, {"artifacts", json::array({"windows_x86_64"})}},
          "1.3",
          {{"version", "10.0.0.12345"}, {"artifacts", artifacts}}}}},
       {{"10.0.0.12345", nullptr, false}}},
  };
  for (const Case& test : cases) EXPECT_EQ(build_release_list(test.catalogue), test.releases) << test.name;
}

json good_answer() {
  return {{"schema", "quillmar-installer-authorize-v1"},
          {"platform", "windows_x86_64"},
          {"version", "1.5.13"},
          {"filename", "quillmar-setup-1.5.13.exe"},
          {"size_bytes", 1234},
          {"sha256", std::string(64, 'a')},
          {"download_url", "https://localhost:47443/api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe"},
          {"nonce", "n"},
          {"extra", {1, 2}}};
}

constexpr char kBase[] = "https://localhost:47443";

TEST(PackageAnswer, AcceptsWellFormedAnswers) {
  struct Case {
    const char* name;
    const char* member;
    json value;
    std::optional<std::string> chosen;
  };
  const Case cases[] = {
      {"as served", "version", "1.5.13", std::nullopt},
      {"the chosen version", "version", "1.5.13", "1.5.13"},
      {"any version text when none was chosen", "version", "2-beta.1", std::nullopt},
      {"largest size", "size_bytes", 2147483648ULL, std::nullopt},
      {"smallest size", "size_bytes", 1, std::nullopt},
      {"file name in capitals", "filename", "QUILLMAR-Setup.EXE", std::nullopt},
      {"digest in capitals", "sha256", std::string(64, 'F'), std::nullopt},
  };
  for (const Case& test : cases) {
    json answer = good_answer();
    answer[test.member] = test.value;
    const auto result = check_package_answer(answer, kBase, test.chosen);
    ASSERT_TRUE(result.ok())
        << test.name << ": " << result.error().diagnostic();
    const Package& package = result.value();
    EXPECT_EQ(json(package.version), answer["version"]) << test.name;
    EXPECT_EQ(json(package.filename), answer["filename"]) << test.name;
    EXPECT_EQ(json(package.size_bytes), answer["size_bytes"]) << test.name;
    EXPECT_EQ(json(package.sha256), answer["sha256"]) << test.name;
    EXPECT_EQ(package.download_url, answer["download_url"]) << test.name;
  }
}

TEST(PackageAnswer, RejectsWithTheMessageOfTheFirstRuleBroken) {
  constexpr char kPlatform[] = "the answer does not name a package for this platform";
  constexpr char kMalformed[] = "malformed package answer";
  constexpr char kChecks[] = "the package answer failed its checks";
  constexpr char kVersion[] = "the answer names another version than the one chosen";
  struct Case {
    const char* name;
    const char* member;
    std::optional<json> value;  // absent: the member is removed
    const char* message;
    std::optional<std::string> chosen = std::nullopt;
  };
  const Case cases[] = {
      {"other schema", "schema", json("quillmar-installer-authorize-v2"), kPlatform},
      {"no schema", "schema", std::nullopt, kPlatform},
      {"other platform", "platform", json("macos_arm64"), kPlatform},
      {"platform not a string", "platform", json(1), kPlatform},
      {"no version", "version", std::nullopt, kMalformed},
      {"version a number", "version", json(1.5), kMalformed},
      {"no filename", "filename", std::nullopt, kMalformed},
      {"size as text", "size_bytes", json("1234"), kMalformed},
      {"size negative", "size_bytes", json(-1), kMalformed},
      {"size floating-point", "size_bytes", json(1234.0), kMalformed},
      {"no sha256", "sha256", std::nullopt, kMalformed},
      {"no download_url", "download_url", std::nullopt, kMalformed},
      {"size zero", "size_bytes", json(0), kChecks},
      {"size one past 2^31", "size_bytes", json(2147483649ULL), kChecks},
      {"file name with ..", "filename", json("quillmar..exe"), kChecks},
      {"file name with a slash", "filename", json("quillmar/setup.exe"), kChecks},
      {"file name with a backslash", "filename", json("quillmar\\setup.exe"), kChecks},
      {"file name with a colon", "filename", json("quillmar:setup.exe"), kChecks},
      {"file name with a NUL", "filename", json(std::string("quillmar\0x.exe", 14)), kChecks},
      {"file name of another product", "filename", json("setup-quillmar.exe"), kChecks},
      {"file name not an .exe", "filename", json("quillmar-setup.msi"), kChecks},
      {"digest of 63 digits", "sha256", json(std::string(63, 'a')), kChecks},
      {"digest of 65 digits", "sha256", json(std::string(65, 'a')), kChecks},
      {"digest with a non-hex digit", "sha256", json(std::string(63, 'a') + "g"), kChecks},
      {"download from another origin", "download_url",
       json("https://localhost:47444/api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe"), kChecks},
      {"download from another path", "download_url", json("https://localhost:47443/api/v1/other/x.exe"), kChecks},
      {"download over plain http", "download_url",
       json("http://localhost:47443/api/v1/installer/download/x.exe"), kChecks},
      {"empty version", "version", json(""), kChecks},
      {"version with a space", "version", json("1.5 beta"), kChecks},
      {"another version than chosen", "version", json("1.5.12"), kVersion, "1.5.13"},
  };
  for (const Case& test : cases) {
    json answer = good_answer();
    if (test.value) {
      answer[test.member] = *test.value;
    } else {
      answer.erase(test.member);
    }
    const auto result = check_package_answer(answer, kBase, test.chosen);
    ASSERT_TRUE(!result.ok()) << test.name;
    const ReleaseError& error = result.error();
    EXPECT_EQ(error.kind, ReleaseError::Kind::kUntrusted) << test.name;
    EXPECT_EQ(error.message, test.message) << test.name;
  }
  for (const json& not_an_object : {json(nullptr), json::array(), json("text")}) {
    const auto result = check_package_answer(not_an_object, kBase, std::nullopt);
    ASSERT_TRUE(!result.ok());
    EXPECT_EQ(result.error().message, kPlatform);
  }
}

}  // namespace
}  // namespace quillmar
