#pragma once

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// The canonical absolute form of an existing PATH: links resolved, and on Windows
// the letter case and 8.3 short names as the file system stores them, without the
// \\?\ prefix. The error text is the OS text.
Result<Path> canonical_path(const Path& path);

}  // namespace quillmar
