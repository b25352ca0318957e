#include "system/disk_space.h"

#include "system/file_system.h"

namespace quillmar {

std::optional<Path> nearest_existing_ancestor(const Path& path) {
  Path candidate = path;
  for (;;) {
    if (path_exists(candidate)) return candidate;
    if (!candidate.has_relative_path() || candidate.parent_path() == candidate) return std::nullopt;
    candidate = candidate.parent_path();
  }
}

std::optional<std::uint64_t> free_bytes_near(const Path& path) {
  const auto existing = nearest_existing_ancestor(path);
  if (!existing) return std::nullopt;
  return free_bytes_at(*existing);
}

}  // namespace quillmar
