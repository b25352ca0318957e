#pragma once

// The system folder picker. Included only by *_win.cpp files.

#include <windows.h>

#include <optional>

#include "system/path.h"

namespace quillmar {

// Shows the common item dialog as a folder picker titled "Quillmar", owned by OWNER
// (which it disables while open), starting in START when given. Blocks until it
// closes; the chosen folder's file-system path, or nothing when it was cancelled,
// failed, or the choice has no file-system path.
std::optional<Path> choose_folder_with_dialog(HWND owner, const std::optional<Path>& start);

}  // namespace quillmar
