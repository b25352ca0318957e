#include "answer_signing.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fstream>

#include "answer_signer.h"
#include "system/sha256.h"

namespace quillmar::release_server {

Result<AnswerSigner> AnswerSigner::load(const std::filesystem::path& private_key_pem) {
  std::ifstream in(private_key_pem, std::ios::binary);
  if (!in) return Error{"cannot read the signing key " + private_key_pem.string()};
  AnswerSigner signer;
  signer.private_key_pem_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

  BIO* bio = BIO_new_mem_buf(signer.private_key_pem_.data(), static_cast<int>(signer.private_key_pem_.size()));
  EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
  BIO_free(bio);
  if (key == nullptr) return Error{private_key_pem.string() + " is not a PEM private key"};
  unsigned char* der = nullptr;
  const int size = i2d_PUBKEY(key, &der);
  EVP_PKEY_free(key);
  if (size <= 0) return Error{"cannot encode the public half of " + private_key_pem.string()};
  signer.key_sha256_ = to_hex(sha256_of(std::string_view(reinterpret_cast<char*>(der), static_cast<std::size_t>(size))));
  OPENSSL_free(der);
  return signer;
}

}  // namespace quillmar::release_server

namespace quillmar::release_server {

Result<nlohmann::json> AnswerSigner::sign(const nlohmann::json& answer) const {
  return sign_answer(answer, private_key_pem_);
}

}  // namespace quillmar::release_server
