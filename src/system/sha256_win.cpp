#include <windows.h>
#include <bcrypt.h>

#include "system/sha256.h"

namespace quillmar {

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;
  ~State() {
    if (hash) BCryptDestroyHash(hash);
  }
};

namespace {

// One provider for the whole process: opening it is the expensive part, and a
// provider handle may be shared by threads. MinGW-w64 lacks the pseudo-handle
// BCRYPT_SHA256_ALG_HANDLE, and Wine 8 does not accept it.
BCRYPT_ALG_HANDLE sha256_provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return BCRYPT_ALG_HANDLE{};
    return handle;
  }();
  return provider;
}

}  // namespace

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->failed = sha256_provider() == nullptr ||
                   !BCRYPT_SUCCESS(BCryptCreateHash(sha256_provider(), &state_->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const UCHAR*>(data);
  while (size > 0 && !state_->failed) {
    const ULONG chunk = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    state_->failed = !BCRYPT_SUCCESS(BCryptHashData(state_->hash, const_cast<UCHAR*>(bytes), chunk, 0));
    bytes += chunk;
    size -= chunk;
  }
}

Result<Sha256Digest> Sha256::finish() {
  Sha256Digest digest{};
  if (state_->failed ||
      !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
    return Error{kSha256Unavailable};
  }
  return digest;
}

}  // namespace quillmar
