#include "main/bridge/folder_choice.h"

#include "system/file_system.h"
#include "system/paths.h"
#include "system/text.h"

namespace quillmar {
namespace {

// A picked folder may come back with a trailing separator; its last component is
// the same as without one. A root keeps its separator (it has no component).
Path without_trailing_separator(const Path& path) {
  if (!path.has_filename() && path.has_relative_path()) return path.parent_path();
  return path;
}

}  // namespace

std::optional<Path> chooser_start_folder(const Path& dir) {
  const Path folder = without_trailing_separator(dir);
  if (!folder.has_relative_path()) return std::nullopt;  // empty, or a root: no parent
  const Path parent = folder.parent_path();
  if (parent.empty()) return std::nullopt;
  if (!is_folder(parent)) return std::nullopt;
  return parent;
}

Path installation_folder_for_choice(const Path& chosen) {
  Path folder = without_trailing_separator(chosen);
  if (folder.has_filename() && equals_ignoring_ascii_case(path_to_text(folder.filename()), "quillmar")) return folder;
  return folder / path_from_text("Quillmar");
}

}  // namespace quillmar
