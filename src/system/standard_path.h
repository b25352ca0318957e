#pragma once

#include <filesystem>

#include "system/path.h"

namespace quillmar {

// A Path as the standard library's, for the tools and tests that work with files
// through it; the installer itself does not. The other way needs nothing: a Path is
// made from any path that shows its native text.
inline std::filesystem::path standard_path(const Path& path) { return std::filesystem::path(path.native()); }

}  // namespace quillmar
