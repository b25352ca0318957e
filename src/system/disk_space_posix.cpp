#include <sys/statvfs.h>

#include "system/disk_space.h"

namespace quillmar {

std::optional<std::uint64_t> free_bytes_at(const Path& existing_path) {
  struct statvfs info {};
  if (statvfs(existing_path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

}  // namespace quillmar
