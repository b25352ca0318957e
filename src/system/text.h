#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// Text conversions between the encodings the installer meets: UTF-8 everywhere in
// the program, UTF-16 in Windows calls and paths. Conversions are lossy on purpose:
// an unpaired surrogate or an invalid UTF-8 sequence becomes U+FFFD instead of
// failing, because a path is shown to the user and must never stop a run.

std::string utf16_to_utf8_lossy(std::u16string_view text);
std::u16string utf8_to_utf16_lossy(std::string_view text);

// The same UTF-8 text with every invalid sequence replaced by U+FFFD.
std::string utf8_lossy(std::string_view text);

bool is_valid_utf8(std::string_view text);

// Decodes the code point that starts at TEXT[POS], strictly (no overlong forms, no
// encoded surrogates, nothing above U+10FFFF), and advances POS past it. An invalid
// or truncated sequence yields U+FFFD with VALID false and consumes its maximal
// invalid prefix, so decoding always makes progress.
char32_t decode_utf8(std::string_view text, std::size_t& pos, bool& valid);

// Valid UTF-8 TEXT without the Unicode White_Space characters at either end. The
// byte-order mark U+FEFF is not white space and stays.
std::string_view trim_white_space(std::string_view text);

// TEXT in double quotes, with inner double quotes and backslashes escaped by a
// backslash and every other character as it was: how failure details and
// diagnostics show a value. A line break stays a line break here; the installer
// log writes it as an escape (single_line_text), and JSON escapes its own.
std::string quoted_text(std::string_view text);

// TEXT as one line of the installer log: every invalid UTF-8 sequence as U+FFFD,
// and every control character (C0, DEL, C1) and line or paragraph separator as an
// escape (\n, \r, \t, else \u and four hex digits, as JSON writes them). Text from
// outside the installer (a certificate's names, an OS message, a path) can then
// neither split a line, nor forge the next one, nor break the file's encoding.
std::string single_line_text(std::string_view text);

// ASCII case folding, for the protocol words, names and hex digits that are
// compared without regard to case; every other byte, UTF-8 included, is kept.
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string ascii_lower(std::string_view text);
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

// Lowercase hexadecimal, two digits per byte: digests, nonces and certificate values.
std::string to_hex(const std::uint8_t* bytes, std::size_t size);

// A 32-bit status code as "0x" and eight lowercase hex digits ("0x800b0109",
// "0x00000005"): the form Windows documents HRESULTs, trust results and crash exit
// statuses in, so a code a user reports can be looked up as it is written.
std::string hex_code_text(std::uint32_t code);

}  // namespace quillmar
