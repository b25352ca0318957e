#include "system/disk_space.h"

#include <system_error>

namespace quillmar {

std::optional<std::filesystem::path> nearest_existing_ancestor(const std::filesystem::path& path) {
  std::filesystem::path candidate = path;
  for (;;) {
    std::error_code error;
    if (std::filesystem::exists(candidate, error)) return candidate;
    if (!candidate.has_relative_path() || candidate.parent_path() == candidate) return std::nullopt;
    candidate = candidate.parent_path();
  }
}

std::optional<std::uint64_t> free_bytes_near(const std::filesystem::path& path) {
  const auto existing = nearest_existing_ancestor(path);
  if (!existing) return std::nullopt;
  return free_bytes_at(*existing);
}

}  // namespace quillmar
