// The verifier against vectors that the openssl command signed (make-vectors.sh):
// natively they go through OpenSSL, under Wine through BCrypt and Crypt32.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "signature/canonical_json.h"
#include "signature/signature_verifier.h"
#include "reference_base64.h"
#include "signature_vectors.h"

namespace quillmar {
namespace {

using nlohmann::json;

constexpr char kNonce[] = "000102030405060708090a0b0c0d0e0f1011121314151617";
constexpr std::int64_t kServerTime = 1893553445;  // 2030-01-02T03:04:05Z, every vector's instant
constexpr char kKeyDigest[] = "164f705ff5cf9f05003517148b52c906668dc1f11a23fe84828f1fec0f1eb34f";
constexpr char kOddKeyDigest[] = "ea154094ab51e8233585d1cb91f7c10c6172b789d548a43484b6e97e9b15483d";

// The payloads exactly as make-vectors.sh signed them.
const std::string kHandshakePayload =
    std::string(R"({"issuer":{"environment":"production","signing_key_sha256":")") + kKeyDigest +
    R"("},"nonce":"000102030405060708090a0b0c0d0e0f1011121314151617","schema":"quillmar-installer-preflight-v1",)"
    R"("server_time":"2030-01-02T03:04:05Z"})";
const std::string kPackagePayload =
    std::string(R"({"download_url":"https://localhost:47443/api/v1/installer/download/quillmar-setup-1.5.13.exe",)"
                R"("extra":{"empty":{},"list":[null,true,false,-7,0,18446744073709551615],"signature":"nested, so signed"},)"
                R"("filename":"Quillmar-Setup-1.5.13.exe","issuer":{"environment":"production","signing_key_sha256":")") +
    kKeyDigest +
    R"("},"nonce":"000102030405060708090a0b0c0d0e0f1011121314151617",)"
    R"("notes":{"en":"Tab\there / \"quoted\" \u00e9 \ud83d\ude00","ru":"\u041d\u043e\u0432\u0430\u044f \u0432\u0435\u0440\u0441\u0438\u044f"},)"
    R"("platform":"windows_x86_64","schema":"quillmar-installer-authorize-v1","server_time":"2030-01-02T06:04:05.123+03:00",)"
    R"("sha256":"9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08","size_bytes":2147483648,"version":"1.5.13"})";
const std::string kOddKeyPayload = std::string(R"({"issuer":{"environment":"production","signing_key_sha256":")") +
                                   kOddKeyDigest +
                                   R"("},"nonce":"000102030405060708090a0b0c0d0e0f1011121314151617",)"
                                   R"("server_time":"2030-01-02T03:04:05+00:00"})";

std::shared_ptr<const SignatureVerifier> verifier_for(const char* pem, const char* digest) {
  Result<std::shared_ptr<const SignatureVerifier>> verifier = SignatureVerifier::from_key(pem, digest);
  if (!verifier) throw std::runtime_error("vector key refused: " + verifier.error().message);
  return verifier.value();
}

std::shared_ptr<const SignatureVerifier> main_verifier() { return verifier_for(vectors::key_4096_pem, kKeyDigest); }

// The verdict as text: "" for an accepted answer, else the refusal's message.
std::string verdict(const json& answer, std::int64_t now = kServerTime, const char* nonce = kNonce) {
  const Result<void> result = main_verifier()->verify(answer, nonce, now);
  return result ? "" : result.error().message;
}

// Decodes well-formed Base64 (padding optional); the test's own, so that the
// verifier's strict decoder is not checked against itself.
std::vector<std::uint8_t> from_base64(const std::string& text) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=' || c == '\n') continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(std::strchr(kAlphabet, c) - kAlphabet);
    if ((count += 6) >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return bytes;
}

std::vector<std::uint8_t> signature_bytes(const json& answer) { return from_base64(answer["signature"].get<std::string>()); }

TEST(VerifierVectors, CanonicalPayloadsMatchTheBytesOpensslSigned) {
  const std::pair<const char*, const std::string*> cases[] = {
      {vectors::handshake_pss_max_json, &kHandshakePayload},
      {vectors::handshake_pss_salt32_json, &kHandshakePayload},
      {vectors::package_pss_max_json, &kPackagePayload},
      {vectors::odd_key_pss_max_json, &kOddKeyPayload},
  };
  for (const auto& [text, payload] : cases) {
    const Result<std::string> canonical =
        canonical_json_without(json::parse(text), {"signature", "sig_alg", "sig_version"});
    ASSERT_TRUE(canonical.ok()) << canonical.error().message;
    EXPECT_EQ(canonical.value(), *payload);
  }
}

TEST(VerifierVectors, AcceptsOpensslSignaturesWithTheMaximalSalt) {
  EXPECT_EQ(verdict(json::parse(vectors::handshake_pss_max_json)), "");
  EXPECT_EQ(verdict(json::parse(vectors::package_pss_max_json)), "");
  // 3073 bits: the encoded message is one byte shorter than the modulus.
  const auto odd = verifier_for(vectors::key_3073_pem, kOddKeyDigest);
  EXPECT_TRUE(odd->verify(json::parse(vectors::odd_key_pss_max_json), kNonce, kServerTime).ok());
}

TEST(VerifierVectors, RejectsAThirtyTwoByteSalt) {
  EXPECT_EQ(verdict(json::parse(vectors::handshake_pss_salt32_json)), "signature verification failed");
}

TEST(VerifierVectors, AcceptsAnotherLayoutOfTheSameAnswer) {
  const json answer = json::parse(vectors::package_pss_max_json);
  EXPECT_EQ(verdict(json::parse(answer.dump(7))), "");
  EXPECT_EQ(verdict(json::parse(answer.dump(-1, ' ', true))), "");  // everything as \u escapes
}

TEST(VerifierVectors, RejectsAnyChangeToThePayload) {
  using Change = void (*)(json&);
  const Change changes[] = {
      [](json& a) { a["version"] = "1.5.14"; },
      [](json& a) { a["size_bytes"] = 2147483647; },
      [](json& a) { a["extra"]["list"][3] = -8; },
      [](json& a) { a["notes"]["en"] = "Tab\there / \"quoted\" e \U0001F600"; },
      [](json& a) { a["added"] = nullptr; },
      [](json& a) { a.erase("filename"); },
      [](json& a) { a["extra"].erase("signature"); },
      [](json& a) { a["issuer"]["signature"] = "nested members are signed"; },
      [](json& a) { a["extra"]["empty"] = json::array(); },
  };
  for (const Change change : changes) {
    json answer = json::parse(vectors::package_pss_max_json);
    change(answer);
    EXPECT_EQ(verdict(answer), "signature verification failed") << answer.dump();
  }
}

TEST(VerifierVectors, RejectsSignaturesOfTheWrongSizeOrRange) {
  const json answer = json::parse(vectors::handshake_pss_max_json);
  const std::vector<std::uint8_t> good = signature_bytes(answer);
  ASSERT_EQ(good.size(), 512u);
  ASSERT_EQ(testing::encode_base64(good), answer["signature"]);

  const std::vector<std::uint8_t> modulus_sized_ones(512, 0xFF);
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.begin(), 0);  // the same number, one byte longer
  const std::vector<std::vector<std::uint8_t>> signatures = {
      std::vector<std::uint8_t>(good.begin() + 1, good.end()),  // 511 bytes
      std::vector<std::uint8_t>(good.begin(), good.end() - 1),
      longer,
      modulus_sized_ones,
      std::vector<std::uint8_t>(512, 0),
      {1},
  };
  for (const auto& bytes : signatures) {
    json changed = answer;
    changed["signature"] = testing::encode_base64(bytes);
    EXPECT_EQ(verdict(changed), "signature verification failed") << bytes.size();
  }
}

TEST(VerifierVectors, RejectsSignaturesThatAreNotStrictBase64) {
  const json answer = json::parse(vectors::handshake_pss_max_json);
  const std::string text = answer["signature"];
  ASSERT_EQ(text.back(), '=');  // 512 bytes leave one padding character
  std::string trailing_bit = text;
  // The character before the padding carries two unused low bits: set one.
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  trailing_bit[text.size() - 2] = alphabet[alphabet.find(text[text.size() - 2]) | 1];
  const std::string variants[] = {
      text.substr(0, text.size() - 1),                     // padding left out
      text.substr(0, 76) + "\r\n" + text.substr(76),       // wrapped like PEM
      text + "\n",                                         // trailing garbage
      text + "AAAA",                                       // trailing group
      " " + text,
      trailing_bit,
  };
  for (const std::string& variant : variants) {
    json changed = answer;
    changed["signature"] = variant;
    EXPECT_EQ(verdict(changed), "the signature is not base64") << variant;
  }
}

TEST(VerifierVectors, AcceptsTheClockWithinExactlyFiveMinutes) {
  const json handshake = json::parse(vectors::handshake_pss_max_json);  // ends in Z
  const json package = json::parse(vectors::package_pss_max_json);      // +03:00 with a fraction
  for (const json& answer : {handshake, package}) {
    EXPECT_EQ(verdict(answer, kServerTime + 300), "");
    EXPECT_EQ(verdict(answer, kServerTime - 300), "");
    EXPECT_EQ(verdict(answer, kServerTime + 301), "the server clock differs from this computer's by more than five minutes");
    EXPECT_EQ(verdict(answer, kServerTime - 301), "the server clock differs from this computer's by more than five minutes");
  }
  EXPECT_EQ(verdict(handshake, INT64_MIN), "the server clock differs from this computer's by more than five minutes");
  EXPECT_EQ(verdict(handshake, INT64_MAX), "the server clock differs from this computer's by more than five minutes");
}

struct Rejection {
  const char* name;
  void (*change)(json&);
  const char* message;
};

TEST(VerifierVectors, RejectsEachFaultWithTheFirstFailingChecksMessage) {
  const Rejection rejections[] = {
      {"other nonce", [](json& a) { a["nonce"] = "000102030405060708090a0b0c0d0e0f1011121314151618"; },
       "the answer does not echo this request's nonce"},
      {"no nonce", [](json& a) { a.erase("nonce"); }, "the answer does not echo this request's nonce"},
      {"numeric nonce", [](json& a) { a["nonce"] = 7; }, "the answer does not echo this request's nonce"},
      {"null answer", [](json& a) { a = nullptr; }, "the answer does not echo this request's nonce"},
      {"array answer", [](json& a) { a = json::array({a}); }, "the answer does not echo this request's nonce"},
      {"nonce before clock",
       [](json& a) {
         a["nonce"] = "x";
         a["server_time"] = "1999-01-01T00:00:00Z";
       },
       "the answer does not echo this request's nonce"},
      {"no server_time", [](json& a) { a.erase("server_time"); }, "the answer has no server_time"},
      {"numeric server_time", [](json& a) { a["server_time"] = kServerTime; }, "the answer has no server_time"},
      {"no offset", [](json& a) { a["server_time"] = "2030-01-02T03:04:05"; }, "malformed server_time"},
      {"date only", [](json& a) { a["server_time"] = "2030-01-02"; }, "malformed server_time"},
      {"no such day", [](json& a) { a["server_time"] = "2030-02-30T03:04:05Z"; }, "malformed server_time"},
      {"Z twice", [](json& a) { a["server_time"] = "2030-01-02T03:04:05ZZ"; }, "malformed server_time"},
      {"clock before issuer",
       [](json& a) {
         a["server_time"] = "2030-01-02T03:09:06Z";
         a.erase("issuer");
       },
       "the server clock differs from this computer's by more than five minutes"},
      {"no issuer", [](json& a) { a.erase("issuer"); }, "the answer has no issuer claim"},
      {"issuer text", [](json& a) { a["issuer"] = "production"; }, "the answer has no issuer claim"},
      {"issuer array", [](json& a) { a["issuer"] = json::array(); }, "the answer has no issuer claim"},
      {"staging", [](json& a) { a["issuer"]["environment"] = "staging"; }, "the answer belongs to another issuer"},
      {"Production", [](json& a) { a["issuer"]["environment"] = "Production"; }, "the answer belongs to another issuer"},
      {"no environment", [](json& a) { a["issuer"].erase("environment"); }, "the answer belongs to another issuer"},
      {"upper-case digest",
       [](json& a) {
         std::string digest = kKeyDigest;
         for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         a["issuer"]["signing_key_sha256"] = digest;
       },
       "the answer belongs to another issuer"},
      {"other digest", [](json& a) { a["issuer"]["signing_key_sha256"] = kOddKeyDigest; },
       "the answer belongs to another issuer"},
      {"digest prefix", [](json& a) { a["issuer"]["signing_key_sha256"] = std::string(kKeyDigest, 63); },
       "the answer belongs to another issuer"},
      {"no digest", [](json& a) { a["issuer"].erase("signing_key_sha256"); }, "the answer belongs to another issuer"},
      {"numeric digest", [](json& a) { a["issuer"]["signing_key_sha256"] = 1; }, "the answer belongs to another issuer"},
      {"issuer before signature",
       [](json& a) {
         a["issuer"]["environment"] = "staging";
         a.erase("signature");
       },
       "the answer belongs to another issuer"},
      {"sig_version 1.0", [](json& a) { a["sig_version"] = 1.0; }, "the answer lacks a valid signature"},
      {"sig_version 2", [](json& a) { a["sig_version"] = 2; }, "the answer lacks a valid signature"},
      {"sig_version -1", [](json& a) { a["sig_version"] = -1; }, "the answer lacks a valid signature"},
      {"sig_version text", [](json& a) { a["sig_version"] = "1"; }, "the answer lacks a valid signature"},
      {"sig_version true", [](json& a) { a["sig_version"] = true; }, "the answer lacks a valid signature"},
      {"no sig_version", [](json& a) { a.erase("sig_version"); }, "the answer lacks a valid signature"},
      {"other sig_alg", [](json& a) { a["sig_alg"] = "RSA-PSS-SHA256-v2"; }, "the answer lacks a valid signature"},
      {"lower-case sig_alg", [](json& a) { a["sig_alg"] = "rsa-pss-sha256-v1"; }, "the answer lacks a valid signature"},
      {"no sig_alg", [](json& a) { a.erase("sig_alg"); }, "the answer lacks a valid signature"},
      {"empty signature", [](json& a) { a["signature"] = ""; }, "the answer lacks a valid signature"},
      {"numeric signature", [](json& a) { a["signature"] = 5; }, "the answer lacks a valid signature"},
      {"no signature", [](json& a) { a.erase("signature"); }, "the answer lacks a valid signature"},
      {"signature before base64",
       [](json& a) {
         a["sig_version"] = 2;
         a["signature"] = "!";
       },
       "the answer lacks a valid signature"},
      {"base64 before float",
       [](json& a) {
         a["signature"] = "!";
         a["price"] = 9.5;
       },
       "the signature is not base64"},
      {"price 9.5", [](json& a) { a["price"] = 9.5; }, "a signed answer carries a floating-point number"},
      {"deep float", [](json& a) { a["items"] = json::parse(R"([{"a":[{"b":1.0}]}])"); },
       "a signed answer carries a floating-point number"},
      {"float beside the signature", [](json& a) { a["issuer"]["weight"] = 1e3; },
       "a signed answer carries a floating-point number"},
  };
  for (const Rejection& rejection : rejections) {
    json answer = json::parse(vectors::handshake_pss_max_json);
    rejection.change(answer);
    EXPECT_EQ(verdict(answer), rejection.message) << rejection.name;
  }
}

TEST(VerifierKey, AcceptsThePinnedKeyInEitherLineEnd) {
  std::string crlf;
  for (char c : std::string(vectors::key_4096_pem)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  for (const std::string& pem : {std::string(vectors::key_4096_pem), crlf}) {
    const Result<std::shared_ptr<const SignatureVerifier>> verifier = SignatureVerifier::from_key(pem, kKeyDigest);
    ASSERT_TRUE(verifier.ok()) << verifier.error().message;
    EXPECT_EQ(verifier.value()->signing_key_sha256(), kKeyDigest);
  }
}

TEST(VerifierKey, RejectsADamagedOrUnpinnedKey) {
  const std::string pem = vectors::key_4096_pem;
  const std::string body_start = "-----BEGIN PUBLIC KEY-----\n";
  std::string flipped = pem;
  // Character 100 of the body lies in the modulus, so the key still parses.
  flipped[body_start.size() + 100] = flipped[body_start.size() + 100] == 'A' ? 'B' : 'A';
  std::string upper_digest = kKeyDigest;
  for (char& c : upper_digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  const std::pair<std::string, std::string> mismatches[] = {
      {pem, kOddKeyDigest},
      {pem, upper_digest},
      {pem, ""},
      {pem, std::string(kKeyDigest) + "0"},
      {flipped, kKeyDigest},  // still parses (a byte of the modulus), but is not the pinned key
  };
  for (const auto& [key, digest] : mismatches) {
    const auto verifier = SignatureVerifier::from_key(key, digest);
    ASSERT_FALSE(verifier.ok()) << digest;
    EXPECT_EQ(verifier.error().message, "embedded public key does not match its pinned SHA-256");
  }

  const auto short_key = SignatureVerifier::from_key(vectors::key_2040_pem, kKeyDigest);
  ASSERT_FALSE(short_key.ok());
  EXPECT_EQ(short_key.error().message, "embedded public key is shorter than 2048 bits");
}

TEST(VerifierKey, RejectsWhatIsNotAnRsaPublicKey) {
  const std::string pem = vectors::key_4096_pem;
  const std::string body = pem.substr(pem.find('\n') + 1, pem.find("-----END") - pem.find('\n') - 1);
  const std::vector<std::uint8_t> der = from_base64(body);
  ASSERT_EQ(der.size(), 550u);
  std::vector<std::uint8_t> trailing = der;
  trailing.push_back(0);
  trailing.push_back(0);
  const auto wrap = [](const std::vector<std::uint8_t>& bytes) {
    return "-----BEGIN PUBLIC KEY-----\n" + testing::encode_base64(bytes) + "\n-----END PUBLIC KEY-----\n";
  };
  const std::string cases[] = {
      "",
      "-----BEGIN CERTIFICATE-----\n" + body + "-----END CERTIFICATE-----\n",
      "-----BEGIN PUBLIC KEY-----\n" + body.substr(1) + "-----END PUBLIC KEY-----\n",  // Base64 out of step
      wrap({0x30, 0x00}),                                          // an empty sequence
      wrap(std::vector<std::uint8_t>(der.begin(), der.end() - 10)),  // DER cut short
      wrap(trailing),
      vectors::key_ec_pem,
  };
  for (const std::string& key : cases) {
    const auto verifier = SignatureVerifier::from_key(key, kKeyDigest);
    ASSERT_FALSE(verifier.ok()) << key;
    EXPECT_EQ(verifier.error().message.rfind("embedded public key: ", 0), 0u) << verifier.error().message;
  }
  EXPECT_EQ(SignatureVerifier::from_key(vectors::key_ec_pem, kKeyDigest).error().message,
            "embedded public key: the key is not an RSA key");
  EXPECT_EQ(SignatureVerifier::from_key(wrap(trailing), kKeyDigest).error().message,
            "embedded public key: trailing bytes after the SubjectPublicKeyInfo");
}

TEST(VerifierKey, BuildsFromTheKeyCompiledIn) {
  const Result<std::shared_ptr<const SignatureVerifier>> verifier = SignatureVerifier::from_embedded_key();
  ASSERT_TRUE(verifier.ok()) << verifier.error().message;
  EXPECT_EQ(verifier.value()->signing_key_sha256(), QUILLMAR_TEST_EMBEDDED_SIGNING_KEY_SHA256);
}

}  // namespace
}  // namespace quillmar
