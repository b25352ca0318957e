#include "main/window/runtime_version.h"

#include <charconv>

namespace quillmar {

std::optional<RuntimeVersion> runtime_version_of_folder(std::string_view folder) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.remove_suffix(1);
  const std::size_t separator = folder.find_last_of("\\/");
  std::string_view name = separator == std::string_view::npos ? folder : folder.substr(separator + 1);

  RuntimeVersion version{};
  for (std::size_t part = 0; part < version.size(); ++part) {
    if (part > 0) {
      if (name.empty() || name.front() != '.') return std::nullopt;
      name.remove_prefix(1);
    }
    // from_chars takes no sign or space, so "+1" and " 1" are refused with the rest.
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), version[part]);
    if (error != std::errc() || end == name.data()) return std::nullopt;
    name.remove_prefix(static_cast<std::size_t>(end - name.data()));
  }
  if (!name.empty()) return std::nullopt;
  return version;
}

bool is_supported_runtime_version(const RuntimeVersion& version) { return version >= kOldestRuntimeVersion; }

std::string runtime_version_text(const RuntimeVersion& version) {
  std::string text;
  for (std::size_t part = 0; part < version.size(); ++part) {
    if (part > 0) text += '.';
    text += std::to_string(version[part]);
  }
  return text;
}

}  // namespace quillmar
