#include "system/text.h"

#include <cstdint>

namespace quillmar {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

char32_t decode_utf8(std::string_view text, std::size_t& pos, bool& valid) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(pos);
  valid = true;
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t code_point = 0;
  char32_t lower = 0x80;
  char32_t upper = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) lower = 0xA0;
    if (lead == 0xED) upper = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) lower = 0x90;
    if (lead == 0xF4) upper = 0x8F;
  } else {
    ++pos;
    valid = false;
    return kReplacement;
  }
  ++pos;
  for (int i = 1; i < length; ++i) {
    if (pos >= text.size() || byte(pos) < lower || byte(pos) > upper) {
      valid = false;
      return kReplacement;
    }
    code_point = (code_point << 6) | (byte(pos) & 0x3F);
    lower = 0x80;
    upper = 0xBF;
    ++pos;
  }
  return code_point;
}

std::string utf16_to_utf8_lossy(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      append_utf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(out, kReplacement);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

std::u16string utf8_to_utf16_lossy(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  bool valid = true;
  while (pos < text.size()) {
    const char32_t code_point = decode_utf8(text, pos, valid);
    if (code_point >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code_point);
    }
  }
  return out;
}

namespace {

// Decodes TEXT and hands EACH every code point with its bytes; an invalid sequence
// comes as U+FFFD with its own (invalid) bytes.
template <typename Each>
void for_each_code_point(std::string_view text, Each each) {
  std::size_t pos = 0;
  bool valid = true;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t code_point = decode_utf8(text, pos, valid);
    each(code_point, valid, text.substr(start, pos - start));
  }
}

}  // namespace

std::string utf8_lossy(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for_each_code_point(text, [&](char32_t code_point, bool valid, std::string_view bytes) {
    if (valid) {
      out.append(bytes);
    } else {
      append_utf8(out, code_point);
    }
  });
  return out;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  bool valid = true;
  while (pos < text.size()) {
    decode_utf8(text, pos, valid);
    if (!valid) return false;
  }
  return true;
}

std::string quoted_text(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string single_line_text(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for_each_code_point(text, [&](char32_t code_point, bool valid, std::string_view bytes) {
    if (code_point == '\n') {
      out += "\\n";
    } else if (code_point == '\r') {
      out += "\\r";
    } else if (code_point == '\t') {
      out += "\\t";
    } else if (code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F) || code_point == 0x2028 ||
               code_point == 0x2029) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code_point >> shift) & 0xF];
    } else if (valid) {
      out.append(bytes);
    } else {
      append_utf8(out, code_point);
    }
  });
  return out;
}

std::string ascii_lower(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = ascii_lower(c);
  return lowered;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t next = start;
    bool valid = true;
    if (!is_white_space(decode_utf8(text, next, valid))) break;
    start = next;
  }
  std::size_t end = text.size();
  while (end > start) {
    // Step back to the lead byte of the last code point.
    std::size_t lead = end - 1;
    while (lead > start && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
    std::size_t next = lead;
    bool valid = true;
    if (!is_white_space(decode_utf8(text, next, valid))) break;
    end = lead;
  }
  return text.substr(start, end - start);
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

std::string hex_code_text(std::uint32_t code) {
  const std::uint8_t bytes[] = {static_cast<std::uint8_t>(code >> 24), static_cast<std::uint8_t>(code >> 16),
                                static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};
  return "0x" + to_hex(bytes, sizeof bytes);
}

}  // namespace quillmar
