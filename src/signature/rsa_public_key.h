#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "system/result.h"
#include "system/sha256.h"

namespace quillmar {

// The RSA arithmetic the verifier takes from the platform's crypto library
// (OpenSSL on the host, BCrypt and Crypt32 on Windows). It decides nothing on its
// own: every policy (key size, pinning, signature length and range, which salt) is
// the portable verifier's.
class RsaPublicKey {
 public:
  // Parses a DER SubjectPublicKeyInfo that holds an RSA public key. The error text
  // describes the failure, for "embedded public key: …".
  static Result<std::unique_ptr<const RsaPublicKey>> from_subject_public_key_info(const std::vector<std::uint8_t>& der);

  virtual ~RsaPublicKey() = default;

  // The modulus as a big-endian unsigned number without leading zero bytes.
  virtual const std::vector<std::uint8_t>& modulus() const = 0;

  // RSASSA-PSS verification (EMSA-PSS, SHA-256, MGF1-SHA-256, trailer 0xbc) of
  // SIGNATURE over a message whose SHA-256 is MESSAGE_HASH, accepting only a salt
  // of exactly SALT_LENGTH bytes. SIGNATURE is as long as the modulus and smaller
  // than it; the caller checked both.
  virtual bool verify_pss_sha256(const Sha256Digest& message_hash, const std::vector<std::uint8_t>& signature,
                                 std::size_t salt_length) const = 0;
};

}  // namespace quillmar
