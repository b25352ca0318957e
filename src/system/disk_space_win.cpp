#include <windows.h>

#include "system/disk_space.h"

namespace quillmar {

std::optional<std::uint64_t> free_bytes_at(const Path& existing_path) {
  ULARGE_INTEGER free_to_caller{};
  if (!GetDiskFreeSpaceExW(existing_path.c_str(), &free_to_caller, nullptr, nullptr)) return std::nullopt;
  return free_to_caller.QuadPart;
}

}  // namespace quillmar
