#pragma once

#include <cstdint>
#include <optional>

#include "system/path.h"

namespace quillmar {

// The bytes free to this user on the volume of PATH, asked at PATH itself if it
// exists, else at its nearest existing ancestor (GetDiskFreeSpaceExW; statvfs's
// blocks available to unprivileged users on the host). Nothing when no ancestor
// exists or the system cannot tell.
std::optional<std::uint64_t> free_bytes_near(const Path& path);

// The nearest existing folder at or above PATH, if any.
std::optional<Path> nearest_existing_ancestor(const Path& path);

// The system call alone, for a path that exists.
std::optional<std::uint64_t> free_bytes_at(const Path& existing_path);

}  // namespace quillmar
