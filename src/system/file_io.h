#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "system/path.h"

namespace quillmar {

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> read_whole_file(const Path& path);

// PATH opened for reading bytes with the C library, or null. Its own file per
// platform because Windows needs the wide-character call for a path's full range.
std::FILE* open_for_reading(const Path& path);

}  // namespace quillmar
