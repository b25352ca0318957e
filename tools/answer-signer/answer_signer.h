#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "system/result.h"

namespace quillmar {

class SigningKey;

// Where the release-signing private key is: a PEM file, for development, or an
// object in a PKCS#11 token, named by an RFC 7512 URI ("pkcs11:token=…;object=…"),
// reached through the token's module with the user PIN read from a file. The PIN
// never travels on a command line, where every user of the machine can read it.
struct SigningKeyLocation {
  std::string key;
  std::filesystem::path pkcs11_module;
  std::filesystem::path pin_file;
};

// Takes one of the flags every program that signs answers shares (--signing-key
// PEM|URI, --pkcs11-module PATH, --pin-file PATH) into LOCATION; false for any
// other flag.
bool read_signing_key_flag(const std::string& flag, const std::string& value, SigningKeyLocation& location);

// Signs answers as the installer requires: the canonical form of the answer
// without `signature`, `sig_alg` and `sig_version`, with RSASSA-PSS, SHA-256,
// MGF1-SHA-256 and the largest salt that fits, the only length it accepts.
// Safe to share between threads.
class AnswerSigner {
 public:
  static Result<AnswerSigner> open(const SigningKeyLocation& location);

  // The answer with those three members set (any old values replaced). Fails for
  // a non-object, an answer without a canonical form, or a refusal of the key.
  Result<nlohmann::json> sign(const nlohmann::json& answer) const;
  // SHA-256 of the public key's DER, lowercase hex: the issuer's signing_key_sha256.
  const std::string& key_sha256() const { return key_sha256_; }

 private:
  explicit AnswerSigner(std::shared_ptr<const SigningKey> key);

  std::shared_ptr<const SigningKey> key_;
  std::string key_sha256_;
};

// BYTES in standard Base64, padded: the form of an answer's signature.
std::string encode_base64(std::string_view bytes);

// Signs ANSWER with the RSA private key in PRIVATE_KEY_PEM, as AnswerSigner does.
Result<nlohmann::json> sign_answer(const nlohmann::json& answer, const std::string& private_key_pem);

}  // namespace quillmar
