// libFuzzer target over everything that reads a signed answer from the network:
// JSON parsing, the canonical form, strict Base64, the server_time reader and the
// whole verifier. Besides crashes and sanitizer findings it traps on broken
// properties: the canonical form is a fixed point, accepted Base64 re-encodes to
// the same text, and nothing the fuzzer makes up passes verification.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "signature/canonical_json.h"
#include "signature/encoding.h"
#include "signature/reference_base64.h"
#include "signature/signature_verifier.h"
#include "signature_vectors.h"

namespace {

using nlohmann::json;

constexpr char kNonce[] = "000102030405060708090a0b0c0d0e0f1011121314151617";
constexpr char kKeyDigest[] = "164f705ff5cf9f05003517148b52c906668dc1f11a23fe84828f1fec0f1eb34f";

const quillmar::SignatureVerifier& verifier() {
  static const auto built = quillmar::SignatureVerifier::from_key(quillmar::vectors::key_4096_pem, kKeyDigest);
  if (!built) __builtin_trap();
  return *built.value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto bytes = quillmar::decode_base64_strict(text);
      bytes && quillmar::testing::encode_base64(*bytes) != text) {
    __builtin_trap();
  }
  (void)quillmar::parse_server_time(text);
  (void)quillmar::decode_pem(text, "PUBLIC KEY");

  const json answer = json::parse(text, nullptr, false);
  if (answer.is_discarded()) return 0;
  const quillmar::Result<std::string> canonical = quillmar::canonical_json(answer);
  if (canonical) {
    const json again = json::parse(canonical.value(), nullptr, false);
    if (again.is_discarded() || again != answer) __builtin_trap();
    const quillmar::Result<std::string> twice = quillmar::canonical_json(again);
    if (!twice || twice.value() != canonical.value()) __builtin_trap();
  }
  // The seeds are genuine signed answers at this instant: mutations of them reach
  // every check, and none of them may pass unless it is the seed's own payload.
  const quillmar::Result<void> verdict = verifier().verify(answer, kNonce, 1893553445);
  if (verdict) {
    const json original_handshake = json::parse(quillmar::vectors::handshake_pss_max_json);
    const json original_package = json::parse(quillmar::vectors::package_pss_max_json);
    const auto payload = [](const json& value) {
      return quillmar::canonical_json_without(value, {"signature", "sig_alg", "sig_version"}).value();
    };
    const std::string accepted = payload(answer);
    if (accepted != payload(original_handshake) && accepted != payload(original_package)) __builtin_trap();
  }
  return 0;
}
