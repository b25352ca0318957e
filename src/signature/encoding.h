#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/result.h"

namespace quillmar {

// Standard Base64 and nothing else: the `+` `/` alphabet, padded with `=` to a
// multiple of four characters, no whitespace, and no non-zero bits in the unused
// low bits of the last character. One byte string therefore has exactly one
// accepted text, so a signature cannot be smuggled past in a second spelling.
std::optional<std::vector<std::uint8_t>> decode_base64_strict(std::string_view text);

// The DER document inside a PEM block labelled LABEL. Line breaks (LF or CR LF) and
// other whitespace inside the body are allowed; anything else besides whitespace
// before the begin line or after the end line is not. The error text describes the
// fault for "embedded public key: …".
Result<std::vector<std::uint8_t>> decode_pem(std::string_view pem, std::string_view label);

// Compares two texts in time that depends only on their lengths: every byte is
// looked at even after a difference, so timing reveals nothing about where it was.
bool constant_time_equal(std::string_view left, std::string_view right);

// The instant of a server_time text in whole Unix seconds, the fraction dropped:
// a calendar date, `T`, hours, minutes, seconds, an optional fraction, and an offset
// `Z` or ±HH:MM (RFC 3339). Anything else gives nothing.
std::optional<std::int64_t> parse_server_time(std::string_view text);

}  // namespace quillmar
