#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillmar {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Incremental SHA-256 from the platform's crypto library (OpenSSL on the host,
// BCrypt on Windows), so large files are hashed as they stream past.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, std::size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  // Ends the computation; the object must not be updated afterwards.
  Sha256Digest finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

Sha256Digest sha256_of(std::string_view bytes);

// Lowercase hexadecimal, two digits per byte.
std::string to_hex(const std::uint8_t* bytes, std::size_t size);
inline std::string to_hex(const Sha256Digest& digest) { return to_hex(digest.data(), digest.size()); }

}  // namespace quillmar
