#include <openssl/evp.h>

#include <stdexcept>

#include "system/sha256.h"

namespace quillmar {

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  // Only allocation can fail here; there is no sensible way to go on without a hash.
  if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is unavailable");
  }
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, std::size_t size) { EVP_DigestUpdate(state_->context, data, size); }

Sha256Digest Sha256::finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(state_->context, digest.data(), &length);
  return digest;
}

}  // namespace quillmar
