#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "system/result.h"

namespace quillmar {

// Fills BUFFER with bytes from the system's cryptographic generator (getrandom on
// the host; ProcessPrng on Windows, BCryptGenRandom where the system lacks it).
Result<void> random_bytes(std::uint8_t* buffer, std::size_t size);

// COUNT random bytes as 2 × COUNT lowercase hexadecimal digits.
Result<std::string> random_hex(std::size_t count);

// A fresh nonce for one signed request: 24 random bytes, 48 hex digits.
inline Result<std::string> make_nonce() { return random_hex(24); }

}  // namespace quillmar
