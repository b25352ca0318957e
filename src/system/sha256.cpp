#include "system/sha256.h"

namespace quillmar {

Sha256Digest sha256_of(std::string_view bytes) {
  Sha256 hash;
  hash.update(bytes);
  auto digest = hash.finish();
  return digest ? digest.value() : Sha256Digest{};
}

}  // namespace quillmar
