#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "system/result.h"

namespace quillmar::release_server {

// Signs the server's answers with the release-signing private key.
class AnswerSigner {
 public:
  static Result<AnswerSigner> load(const std::filesystem::path& private_key_pem);

  // The answer with sig_alg, sig_version and signature added.
  Result<nlohmann::json> sign(const nlohmann::json& answer) const;
  // SHA-256 of the public key's DER, lowercase hex: the issuer's signing_key_sha256.
  const std::string& key_sha256() const { return key_sha256_; }

 private:
  std::string private_key_pem_;
  std::string key_sha256_;
};

}  // namespace quillmar::release_server
