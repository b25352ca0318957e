#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// The few file-system questions and changes the installer makes, answered by the
// system's own calls. Links are followed when asking and never when removing.

// True when something is at PATH; any error counts as false.
bool path_exists(const Path& path);

// True when PATH is a folder; any error counts as false.
bool is_folder(const Path& path);

// FOLDER and every missing folder above it made; a folder already there is fine.
Result<void> create_folder_tree(const Path& folder);

// The full paths of what FOLDER holds, "." and ".." left out, in no set order.
Result<std::vector<Path>> folder_entries(const Path& folder);

// When PATH (a file or a folder) was last written, or nothing when it cannot be read.
std::optional<std::chrono::system_clock::time_point> last_write_time(const Path& path);

// Removes the file at PATH. Best effort: false when anything was left.
bool remove_file(const Path& path);

// Removes PATH with everything inside it. A link goes, never what it points to.
// Best effort: false when anything was left.
bool remove_tree(const Path& path);

}  // namespace quillmar
