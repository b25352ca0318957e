#pragma once

#include <string_view>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// The canonical absolute form of an existing PATH: links resolved, and on Windows
// the letter case and 8.3 short names as the file system stores them, without the
// \\?\ prefix. The error text is the OS text.
Result<Path> canonical_path(const Path& path);

// How the platform spells paths: Windows separates with \ or / and ignores letter
// case; the host separates with / and keeps case.
enum class PathStyle { kWindows, kPosix };
PathStyle native_path_style();

// True when PATH is FOLDER or lies below it, compared component by component, so
// C:\Apps\Quillmar2 is not inside C:\Apps\Quillmar. Both are canonical absolute
// paths as text; empty components (a trailing separator) do not count.
bool is_within_folder(std::string_view path, std::string_view folder, PathStyle style);

}  // namespace quillmar
