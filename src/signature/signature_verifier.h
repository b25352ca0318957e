#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "system/result.h"

namespace quillmar {

// Checks signed answers of the release server. Invariant: an answer is accepted only
// when it verifies against the release-signing key embedded in this installer, and
// that key is used only after its SHA-256 matched the digest pinned beside it.
class SignatureVerifier {
 public:
  // Builds the verifier from the key compiled into this installer. The error text is
  // what start-up shows after "This installer is damaged: ".
  static Result<std::shared_ptr<const SignatureVerifier>> from_embedded_key();

  // Builds a verifier from any PEM block and pinned digest (tests, tools).
  static Result<std::shared_ptr<const SignatureVerifier>> from_key(std::string_view pem,
                                                                   std::string_view pinned_sha256_hex);

  virtual ~SignatureVerifier() = default;

  // Runs every check of a signed answer in order; the error text is the message of
  // the first check that failed. NOW is the current time in whole Unix seconds.
  virtual Result<void> verify(const nlohmann::json& answer, std::string_view nonce,
                              std::int64_t now_unix_seconds) const = 0;

  // The signing key's SHA-256 as 64 lowercase hex digits.
  virtual const std::string& signing_key_sha256() const = 0;
};

}  // namespace quillmar
