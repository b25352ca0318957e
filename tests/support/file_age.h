#pragma once

#include <chrono>
#include <filesystem>

namespace quillmar::testing {

// Moves the last write time of PATH, a file or a folder, AGE into the past. The
// standard library's setter cannot do it for a folder on Windows: it opens the
// folder without the flag a folder handle needs.
void make_older(const std::filesystem::path& path, std::chrono::seconds age);

}  // namespace quillmar::testing
