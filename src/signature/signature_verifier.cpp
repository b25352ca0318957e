// Must always hold: an answer is accepted only when every check below passed, in
// order, and its signature verified against the embedded key whose SHA-256 matched
// the pinned digest; any doubt is a refusal with the first failing check's message.
#include "signature/signature_verifier.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "signature/canonical_json.h"
#include "signature/embedded_signing_key.h"
#include "signature/encoding.h"
#include "signature/rsa_public_key.h"
#include "system/sha256.h"

namespace quillmar {

namespace {

using nlohmann::json;

constexpr char kExpectedEnvironment[] = "production";
constexpr char kSignatureAlgorithm[] = "RSA-PSS-SHA256-v1";
// Beyond this many seconds between the server's clock and ours, an answer may be a
// replay from another time.
constexpr std::int64_t kClockWindowSeconds = 300;

// A member's text, or the empty text when it is missing or not a string.
std::string_view text_member(const json& object, const char* name) {
  const auto found = object.find(name);
  if (found == object.end() || !found->is_string()) return {};
  return found->get_ref<const std::string&>();
}

// True when the big-endian numbers have equal length and LEFT < RIGHT.
bool less_than(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right) {
  return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
}

std::size_t bit_length(const std::vector<std::uint8_t>& number) {
  if (number.empty()) return 0;
  std::size_t bits = (number.size() - 1) * 8;
  for (std::uint8_t top = number.front(); top != 0; top >>= 1) ++bits;
  return bits;
}

class PinnedKeyVerifier final : public SignatureVerifier {
 public:
  PinnedKeyVerifier(std::unique_ptr<const RsaPublicKey> key, std::string digest)
      : key_(std::move(key)), digest_(std::move(digest)) {}

  const std::string& signing_key_sha256() const override { return digest_; }

  Result<void> verify(const json& answer, std::string_view nonce, std::int64_t now_unix_seconds) const override {
    // --- Policy: is this an answer to our request, from our issuer, in our time? ---

    // Only the answer to this very request; this also refuses non-objects and null.
    if (!answer.is_object() || !answer.contains("nonce") || !answer["nonce"].is_string() ||
        answer["nonce"].get_ref<const std::string&>() != nonce) {
      return Error{"the answer does not echo this request's nonce"};
    }
    if (!answer.contains("server_time") || !answer["server_time"].is_string()) {
      return Error{"the answer has no server_time"};
    }
    // The clock check: `Z` stands for the zero offset.
    std::string server_time = answer["server_time"].get<std::string>();
    for (std::size_t at = server_time.find('Z'); at != std::string::npos; at = server_time.find('Z', at + 6)) {
      server_time.replace(at, 1, "+00:00");
    }
    const std::optional<std::int64_t> server_seconds = parse_server_time(server_time);
    if (!server_seconds) return Error{"malformed server_time"};
    // Written as two comparisons so that no NOW, however extreme, overflows.
    if (now_unix_seconds < *server_seconds - kClockWindowSeconds ||
        now_unix_seconds > *server_seconds + kClockWindowSeconds) {
      return Error{"the server clock differs from this computer's by more than five minutes"};
    }
    // The issuer: both claims are judged before answering, and the digest in
    // constant time, so the answer tells nothing of which one failed.
    if (!answer.contains("issuer") || !answer["issuer"].is_object()) return Error{"the answer has no issuer claim"};
    const json& issuer = answer["issuer"];
    const bool environment_matches = text_member(issuer, "environment") == kExpectedEnvironment;
    const bool key_matches = constant_time_equal(text_member(issuer, "signing_key_sha256"), digest_);
    if (!environment_matches || !key_matches) return Error{"the answer belongs to another issuer"};
    // The signature's own members; the version is the integer 1 only: 1.0 is a
    // float and does not count.
    const json* algorithm = answer.contains("sig_alg") ? &answer["sig_alg"] : nullptr;
    const json* version = answer.contains("sig_version") ? &answer["sig_version"] : nullptr;
    const json* signature_text = answer.contains("signature") ? &answer["signature"] : nullptr;
    const bool version_is_one = version != nullptr &&
                                ((version->is_number_unsigned() && version->get<std::uint64_t>() == 1) ||
                                 (version->is_number_integer() && !version->is_number_unsigned() &&
                                  version->get<std::int64_t>() == 1));
    if (algorithm == nullptr || !algorithm->is_string() || *algorithm != kSignatureAlgorithm || !version_is_one ||
        signature_text == nullptr || !signature_text->is_string() || signature_text->get_ref<const std::string&>().empty()) {
      return Error{"the answer lacks a valid signature"};
    }

    // --- Cryptography: does the signature over the canonical payload verify? ---

    const std::optional<std::vector<std::uint8_t>> signature =
        decode_base64_strict(signature_text->get_ref<const std::string&>());
    if (!signature) return Error{"the signature is not base64"};
    // The payload is everything but the three top-level signature members.
    const std::string payload = QUILLMAR_TRY(canonical_json_without(answer, {"signature", "sig_alg", "sig_version"}));
    const Sha256Digest message_hash = sha256_of(payload);
    // The signature is exactly as long as the modulus and numerically below it.
    const std::vector<std::uint8_t>& modulus = key_->modulus();
    if (signature->size() != modulus.size() || !less_than(*signature, modulus)) {
      return Error{"signature verification failed"};
    }
    // The largest salt that fits is the only one accepted: emLen - hash - 2.
    const std::size_t encoded_bits = bit_length(modulus) - 1;
    const std::size_t encoded_length = (encoded_bits + 7) / 8;
    if (encoded_length < 34 || !key_->verify_pss_sha256(message_hash, *signature, encoded_length - 34)) {
      return Error{"signature verification failed"};
    }
    return {};
  }

 private:
  std::unique_ptr<const RsaPublicKey> key_;
  std::string digest_;
};

}  // namespace

Result<std::shared_ptr<const SignatureVerifier>> SignatureVerifier::from_key(std::string_view pem,
                                                                            std::string_view pinned_sha256_hex) {
  Result<std::vector<std::uint8_t>> der = decode_pem(pem, "PUBLIC KEY");
  if (!der) return Error{"embedded public key: " + der.error().message};
  Result<std::unique_ptr<const RsaPublicKey>> key = RsaPublicKey::from_subject_public_key_info(der.value());
  if (!key) return Error{"embedded public key: " + key.error().message};

  // Policy on the key itself, apart from whether it parses.
  if (key.value()->modulus().size() < 256) return Error{"embedded public key is shorter than 2048 bits"};
  const std::string digest = to_hex(sha256_of(std::string_view(reinterpret_cast<const char*>(der.value().data()), der.value().size())));
  if (!constant_time_equal(digest, pinned_sha256_hex)) {
    return Error{"embedded public key does not match its pinned SHA-256"};
  }
  return std::shared_ptr<const SignatureVerifier>(std::make_shared<PinnedKeyVerifier>(std::move(key).value(), digest));
}

Result<std::shared_ptr<const SignatureVerifier>> SignatureVerifier::from_embedded_key() {
  return from_key(kEmbeddedSigningKeyPem, kEmbeddedSigningKeySha256);
}

}  // namespace quillmar
