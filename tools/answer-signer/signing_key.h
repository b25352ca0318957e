#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "system/result.h"

namespace quillmar {

// An RSA private key that makes RSASSA-PSS signatures with SHA-256, MGF1-SHA-256
// and the largest salt that fits, wherever the key is kept.
class SigningKey {
 public:
  virtual ~SigningKey() = default;

  virtual Result<std::vector<unsigned char>> sign(std::string_view message) const = 0;
  // The public half as DER SubjectPublicKeyInfo, the form the installer pins.
  virtual const std::string& public_key_der() const = 0;
};

// A key held in memory, read from PEM text.
Result<std::shared_ptr<const SigningKey>> pem_signing_key(const std::string& private_key_pem);

// A key that never leaves its PKCS#11 token: URI names the token and the object,
// MODULE is the token's PKCS#11 library, PIN the user PIN.
Result<std::shared_ptr<const SigningKey>> token_signing_key(const std::string& uri,
                                                            const std::filesystem::path& module,
                                                            const std::string& pin);

// An RSA public key, from its modulus and public exponent (big-endian bytes), as
// DER SubjectPublicKeyInfo.
Result<std::string> rsa_public_key_der(std::string_view modulus, std::string_view exponent);

}  // namespace quillmar
