#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "system/result.h"
#include "system/text.h"

namespace quillmar {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Incremental SHA-256 from the platform's crypto library (OpenSSL on the host,
// BCrypt on Windows), so large files are hashed as they stream past. Should the
// library refuse at any point (it can only run out of memory), the failure is kept
// and finish() reports it: a hash never stands in for one it could not compute.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, std::size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  // Ends the computation; the object must not be updated afterwards.
  Result<Sha256Digest> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest of bytes in memory. Where the library cannot hash at all, the all-zero
// digest: it matches no pin, key digest or package digest, so every check that
// compares against it fails closed.
Sha256Digest sha256_of(std::string_view bytes);

inline constexpr char kSha256Unavailable[] = "SHA-256 is unavailable";

inline std::string to_hex(const Sha256Digest& digest) { return to_hex(digest.data(), digest.size()); }

}  // namespace quillmar
