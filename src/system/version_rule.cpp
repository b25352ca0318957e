#include "system/version_rule.h"

#include <algorithm>

#include "system/text.h"

namespace quillmar {
namespace {

bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool matches_version_rule(std::string_view text) {
  int parts = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view part = text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (part.empty() || part.size() > 5 || !std::all_of(part.begin(), part.end(), is_ascii_digit)) return false;
    if (++parts > 4) return false;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return parts >= 2;
}

std::optional<std::string> requested_version_from_file_name(std::string_view file_name) {
  static constexpr std::string_view kMarker = "quillmar_installer_";
  const std::string lowered = ascii_lower(file_name);
  const std::size_t marker = lowered.find(kMarker);
  if (marker == std::string::npos) return std::nullopt;

  // ASCII lower-casing keeps every byte in place, so positions in the lowered copy
  // are positions in the name as it was.
  const std::size_t start = marker + kMarker.size();
  std::size_t end = start;
  while (end < file_name.size() && (is_ascii_digit(file_name[end]) || file_name[end] == '.')) ++end;
  std::string_view run = file_name.substr(start, end - start);
  while (!run.empty() && run.back() == '.') run.remove_suffix(1);

  if (!matches_version_rule(run)) return std::nullopt;
  return std::string(run);
}

}  // namespace quillmar
