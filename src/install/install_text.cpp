#include "install/install_text.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "system/text.h"

namespace quillmar {
namespace {

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
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
