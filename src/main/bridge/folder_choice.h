#pragma once

#include <optional>

#include "system/path.h"

namespace quillmar {

// Where the dialog for "chooseFolder" starts: the parent of the page's folder when
// the folder has one and it exists.
std::optional<Path> chooser_start_folder(const Path& dir);

// The installation folder for a folder picked in the dialog: the folder itself when
// its last component is "quillmar" in any ASCII case, otherwise the folder with
// "Quillmar" appended (also for a root, which has no last component), so the
// application never spills its files into a folder the user already uses.
Path installation_folder_for_choice(const Path& chosen);

}  // namespace quillmar
