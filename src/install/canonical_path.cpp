#include "install/canonical_path.h"

#include <vector>

#include "system/text.h"

namespace quillmar {
namespace {

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
  return style == PathStyle::kWindows ? equals_ignoring_ascii_case(a, b) : a == b;
}

}  // namespace

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
