#include "install/install_text.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace quillmar {
namespace {

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Decodes the code point that starts at POS of valid UTF-8 and returns its length.
std::size_t decode_at(std::string_view text, std::size_t pos, char32_t& code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (pos + length > text.size()) length = text.size() - pos;
  code_point = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) code_point = (code_point << 6) | (byte(pos + i) & 0x3F);
  return length;
}

std::vector<std::string_view> components(std::string_view path, PathStyle style) {
  const std::string_view separators = style == PathStyle::kWindows ? "\\/" : "/";
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of(separators, start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool same_component(std::string_view a, std::string_view b, PathStyle style) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (style == PathStyle::kWindows) {
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    }
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string_view trim_white_space(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    char32_t c = 0;
    const std::size_t length = decode_at(text, start, c);
    if (!is_white_space(c)) break;
    start += length;
  }
  std::size_t end = text.size();
  while (end > start) {
    // Step back to the lead byte of the last code point.
    std::size_t lead = end - 1;
    while (lead > start && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
    char32_t c = 0;
    decode_at(text, lead, c);
    if (!is_white_space(c)) break;
    end = lead;
  }
  return text.substr(start, end - start);
}

std::string exit_code_text(std::int32_t code) {
  if (code >= 0) return "exit code: " + std::to_string(code);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  return std::string("exit code: ") + hex;
}

double setup_progress_pct(double seconds) { return 95.0 * (1.0 - std::exp(-seconds / 25.0)); }

bool is_within_folder(std::string_view path, std::string_view folder, PathStyle style) {
  const auto inner = components(path, style);
  const auto outer = components(folder, style);
  if (outer.size() > inner.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (!same_component(inner[i], outer[i], style)) return false;
  }
  // A relative and an absolute path never contain one another: "/" has no
  // components, yet only an absolute path lies below it.
  const std::string_view separators = style == PathStyle::kWindows ? "\\/" : "/";
  const bool path_absolute = !path.empty() && separators.find(path.front()) != std::string_view::npos;
  const bool folder_absolute = !folder.empty() && separators.find(folder.front()) != std::string_view::npos;
  return path_absolute == folder_absolute;
}

}  // namespace quillmar
