#include "system/sha256.h"

namespace quillmar {

Sha256Digest sha256_of(std::string_view bytes) {
  Sha256 hash;
  hash.update(bytes);
  auto digest = hash.finish();
  return digest ? digest.value() : Sha256Digest{};
}

std::string to_hex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(size * 2, '0');
  for (std::size_t i = 0; i < size; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace quillmar
