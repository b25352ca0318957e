#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "signature/encoding.h"

namespace quillmar {
namespace {

std::optional<std::string> base64(const std::string& text) {
  const auto bytes = decode_base64_strict(text);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

TEST(Base64Strict, AcceptsStandardPaddedText) {
  const std::pair<const char*, std::string> cases[] = {
      {"", ""},
      {"Zg==", "f"},
      {"Zm8=", "fo"},
      {"Zm9v", "foo"},
      {"Zm9vYg==", "foob"},
      {"+/+/", "\xfb\xff\xbf"},
      {"AAAA", std::string(3, '\0')},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(base64(text), expected) << text;
}

TEST(Base64Strict, RejectsEveryOtherSpelling) {
  const char* cases[] = {
      "Zg",         // padding left out
      "Zm8",        // padding left out
      "Zg=",        // short padding
      "Zg===",      // too much padding
      "====",       // nothing but padding
      "Z===",       // one character cannot hold a byte
      "Zh==",       // non-zero bits under the padding
      "Zm9=",       // non-zero bits under the padding
      "Zm9v\n",     // whitespace
      "Zm 9v",      // whitespace
      "Zm9v Zg==",  // whitespace between groups
      "-_-_",       // the URL-safe alphabet
      "Zg==Zg==",   // padding in the middle
      "Z=g=",       // padding in the middle of a group
      "\xC3\xA9\xC3\xA9",
  };
  for (const char* text : cases) EXPECT_EQ(base64(text), std::nullopt) << text;
  EXPECT_EQ(base64(std::string("Zm9v\0\0\0\0", 8)), std::nullopt);
}

TEST(Pem, DecodesTheBodyWithEitherLineEnd) {
  const std::vector<std::uint8_t> expected{'f', 'o', 'o', 'b'};
  for (const char* pem : {"-----BEGIN PUBLIC KEY-----\nZm9v\nYg==\n-----END PUBLIC KEY-----\n",
                          "-----BEGIN PUBLIC KEY-----\r\nZm9vYg==\r\n-----END PUBLIC KEY-----\r\n",
                          "\n  -----BEGIN PUBLIC KEY-----\nZm9vYg==\n-----END PUBLIC KEY-----"}) {
    const Result<std::vector<std::uint8_t>> der = decode_pem(pem, "PUBLIC KEY");
    ASSERT_TRUE(der.ok()) << pem << der.error().message;
    EXPECT_EQ(der.value(), expected);
  }
}

TEST(Pem, RejectsMalformedBlocksWithADescription) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "no PEM begin line"},
      {"Zm9vYg==", "no PEM begin line"},
      {"junk\n-----BEGIN PUBLIC KEY-----\nZm9vYg==\n-----END PUBLIC KEY-----\n", "no PEM begin line"},
      {"-----BEGIN RSA PUBLIC KEY-----\nZm9vYg==\n-----END RSA PUBLIC KEY-----\n",
       "PEM label is \"RSA PUBLIC KEY\", not \"PUBLIC KEY\""},
      {"-----BEGIN PUBLIC KEY-----Zm9vYg==\n-----END PUBLIC KEY-----\n", "malformed PEM begin line"},
      {"-----BEGIN PUBLIC KEY\nZm9vYg==\n", "malformed PEM begin line"},
      {"-----BEGIN PUBLIC KEY-----\nZm9vYg==\n", "no PEM end line"},
      {"-----BEGIN PUBLIC KEY-----\nZm9vYg==\n-----END CERTIFICATE-----\n", "no PEM end line"},
      {"-----BEGIN PUBLIC KEY-----\nZm9vYg==\n-----END PUBLIC KEY-----\ntrailing\n", "text after the PEM end line"},
      {"-----BEGIN PUBLIC KEY-----\nZm9vYg=\n-----END PUBLIC KEY-----\n", "PEM body is not base64"},
      {"-----BEGIN PUBLIC KEY-----\nProc-Type: 4,ENCRYPTED\nZm9vYg==\n-----END PUBLIC KEY-----\n",
       "PEM body is not base64"},
      {"-----BEGIN PUBLIC KEY-----\n\n-----END PUBLIC KEY-----\n", "PEM body is empty"},
  };
  for (const auto& [pem, message] : cases) {
    const Result<std::vector<std::uint8_t>> der = decode_pem(pem, "PUBLIC KEY");
    ASSERT_FALSE(der.ok()) << pem;
    EXPECT_EQ(der.error().message, message) << pem;
  }
}

TEST(ConstantTimeEqual, ComparesWholeTexts) {
  EXPECT_TRUE(constant_time_equal("", ""));
  EXPECT_TRUE(constant_time_equal("abc", "abc"));
  EXPECT_FALSE(constant_time_equal("abc", "abd"));
  EXPECT_FALSE(constant_time_equal("abc", "Abc"));
  EXPECT_FALSE(constant_time_equal("abc", "ab"));
  EXPECT_FALSE(constant_time_equal("", "a"));
  EXPECT_FALSE(constant_time_equal(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
}

TEST(ServerTime, ReadsRfc3339InstantsToWholeSeconds) {
  const std::pair<const char*, std::int64_t> cases[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"1970-01-01T00:00:00+00:00", 0},
      {"1970-01-01T00:00:00-00:00", 0},
      {"2030-01-02T03:04:05Z", 1893553445},
      {"2030-01-02T06:04:05+03:00", 1893553445},
      {"2030-01-01T23:34:05-03:30", 1893553445},
      {"2030-01-02T03:04:05.999999999Z", 1893553445},
      {"2030-01-02T03:04:05.1+00:00", 1893553445},
      {"2024-02-29T12:00:00Z", 1709208000},
      {"1969-12-31T23:59:59Z", -1},
      {"1969-12-31T23:59:59.5Z", -1},
      {"9999-12-31T23:59:59Z", 253402300799},
      {"0001-01-01T00:00:00Z", -62135596800},
  };
  for (const auto& [text, seconds] : cases) EXPECT_EQ(parse_server_time(text), seconds) << text;
}

TEST(ServerTime, RejectsOtherForms) {
  const char* cases[] = {
      "",
      "2030-01-02",
      "2030-01-02T03:04:05",        // no offset: a local time is no instant
      "2030-01-02 03:04:05Z",
      "2030-01-02t03:04:05Z",
      "2030-01-02T03:04:05z",
      "2030-01-02T03:04Z",
      "2030-1-02T03:04:05Z",
      "20300102T030405Z",
      "2030-01-02T03:04:05.Z",
      "2030-01-02T03:04:05+0300",
      "2030-01-02T03:04:05+03",
      "2030-01-02T03:04:05+24:00",
      "2030-01-02T03:04:05+03:60",
      "2030-01-02T03:04:05Z ",
      " 2030-01-02T03:04:05Z",
      "2030-01-02T03:04:05ZZ",
      "2030-13-02T03:04:05Z",
      "2030-00-02T03:04:05Z",
      "2030-02-29T03:04:05Z",
      "2030-01-32T03:04:05Z",
      "2030-01-02T24:00:00Z",
      "2030-01-02T03:60:05Z",
      "2030-01-02T03:04:60Z",
      "0000-01-01T00:00:00Z",
      "+2030-01-02T03:04:05Z",
      "2030-01-02T03:04:05+00:00:00",
  };
  for (const char* text : cases) EXPECT_EQ(parse_server_time(text), std::nullopt) << text;
}

}  // namespace
}  // namespace quillmar
