#include <openssl/evp.h>

#include "system/sha256.h"

namespace quillmar {

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  bool failed = false;
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  state_->failed = state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, std::size_t size) {
  if (state_->failed) return;
  state_->failed = EVP_DigestUpdate(state_->context, data, size) != 1;
}

Result<Sha256Digest> Sha256::finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (state_->failed || EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1) {
    return Error{kSha256Unavailable};
  }
  return digest;
}

}  // namespace quillmar
