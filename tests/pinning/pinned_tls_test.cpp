#include <gtest/gtest.h>

#include "pinning/http_agent.h"
#include "pinning/pinned_tls.h"
#include "walk_vectors.h"

namespace quillmar {
namespace {

Sha256Digest digest_of(const std::vector<std::uint8_t>& bytes) {
  return sha256_of(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

TEST(PinnedHost, IsTheHostOfTheBaseUrlInSmallLetters) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://localhost:47443", "localhost"},
      {"https://Release.Example.COM", "release.example.com"},
      {"https://release.example.com/", "release.example.com"},
      {"https://release.example.com/api:v1", "release.example.com"},
      {"https://release.example.com:8443/base/", "release.example.com"},
      {"https://ÄRGER.example", "Ärger.example"},  // only ASCII letters change
      {"https://", ""},
  };
  for (const auto& [base_url, host] : cases) EXPECT_EQ(pinned_host_of(base_url), host) << base_url;
}

TEST(PinnedHost, AppliesToTheSameHostInAnyLetterCaseOnly) {
  const PinnedTls pinned = PinnedTls::for_base_url("https://Release.Example.com:443", {Sha256Digest{}});
  EXPECT_TRUE(pinned.applies_to("release.example.com"));
  EXPECT_TRUE(pinned.applies_to("RELEASE.EXAMPLE.COM"));
  EXPECT_FALSE(pinned.applies_to("release.example.com."));
  EXPECT_FALSE(pinned.applies_to("cdn.release.example.com"));
  EXPECT_FALSE(pinned.applies_to("localhost"));
  EXPECT_FALSE(PinnedTls::for_base_url("https://release.example.com", {}).applies_to("release.example.com"));
}

// A host on the user's bypass list is reached directly, so a failure there is
// not a proxy's.
TEST(ProxyBypass, MatchesListedHostsOnly) {
  const struct {
    const char* list;
    const char* host;
    bool bypassed;
  } cases[] = {
      {"localhost", "LocalHost", true},
      {"intranet.test; *.Example.com", "release.example.com", true},
      {"*.example.com", "example.com", false},
      {"<local>", "localhost", true},
      {"<local>", "release.example.com", false},
      {"10.* \t 127.0.0.1", "127.0.0.1", true},
      {"release.example.com.evil", "release.example.com", false},
      {"", "localhost", false},
  };
  for (const auto& test : cases) EXPECT_EQ(bypasses_proxy(test.list, test.host), test.bypassed) << test.list;
}

TEST(PinCheck, AcceptsALeafWhoseKeyMatchesEitherPin) {
  const Sha256Digest server_pin = digest_of(k_server_spki_der);
  const Sha256Digest other_pin = digest_of(k_v1_spki_der);
  for (const auto& pins : {std::vector{server_pin, other_pin}, std::vector{other_pin, server_pin}}) {
    const PinnedTls pinned{"localhost", pins};
    EXPECT_TRUE(pinned.check("LocalHost", std::span<const std::uint8_t>(k_server_der)).ok());
  }
}

TEST(PinCheck, RejectsWithTheMessageOfWhatWentWrong) {
  const PinnedTls pinned{"localhost", {digest_of(k_v1_spki_der), Sha256Digest{}}};
  const std::vector<std::uint8_t> garbage{0x30, 0x03, 0x02, 0x01, 0x00};
  const std::vector<std::uint8_t> empty;

  const std::string not_pinned = std::string(kKeyNotPinned) + " (certificate issued by ";
  const std::pair<std::optional<std::span<const std::uint8_t>>, std::string> cases[] = {
      {std::nullopt, kNoCertificate},
      {std::span<const std::uint8_t>(empty), kNoCertificate},
      {std::span<const std::uint8_t>(garbage), kUnreadableCertificate},
      // The issuer is named, so a network that inspects TLS shows in the log.
      {std::span<const std::uint8_t>(k_server_der), not_pinned + "\"CN=Quillmar Development CA\")"},
      {std::span<const std::uint8_t>(k_inspect_der), not_pinned + "\"CN=Inspection, O=Example, C=DE\")"},
  };
  for (const auto& [leaf, message] : cases) {
    const auto checked = pinned.check("localhost", leaf);
    ASSERT_FALSE(checked.ok()) << message;
    EXPECT_EQ(checked.error().message, message);
  }
}

TEST(PinCheck, LeavesOtherHostsAndPinlessConfigurationsToThePlatform) {
  const PinnedTls pinned{"release.example.com", {Sha256Digest{}, Sha256Digest{}}};
  EXPECT_TRUE(pinned.check("localhost", std::span<const std::uint8_t>(k_server_der)).ok());
  EXPECT_TRUE(pinned.check("localhost", std::nullopt).ok());
  const PinnedTls pinless{"localhost", {}};
  EXPECT_TRUE(pinless.check("localhost", std::span<const std::uint8_t>(k_server_der)).ok());
}

TEST(Pins, ParseAsCommaSeparatedHex) {
  const std::string a(64, 'a');
  const std::string b = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
  const auto parsed = parse_pins(a + ", " + b);
  ASSERT_TRUE(parsed.ok()) << parsed.error().message;
  ASSERT_EQ(parsed.value().size(), 2u);
  EXPECT_EQ(to_hex(parsed.value()[0]), a);
  EXPECT_EQ(to_hex(parsed.value()[1]), "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");

  for (const std::string& bad : {std::string(), a + ",", std::string(63, 'a'), std::string(65, 'a'),
                                 std::string(63, 'a') + "g", a + ";" + a}) {
    EXPECT_FALSE(parse_pins(bad).ok()) << bad;
  }
}

TEST(Pins, TheCompiledInPairIsTwoDistinctDigests) {
  const auto pins = compiled_pins();
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_NE(pins[0], pins[1]);
  EXPECT_NE(pins[0], Sha256Digest{});
}

}  // namespace
}  // namespace quillmar
