#pragma once

#include <filesystem>

namespace quillmar::fake_setup {

enum class ShortcutPlace { kDesktop, kStartMenu };

// Makes a shortcut to TARGET where the platform keeps that kind of shortcut: a
// .url file on the Windows desktop or in the Start menu's Programs folder, a
// .desktop entry on the XDG desktop or in the XDG applications folder.
bool create_shortcut(ShortcutPlace place, const std::filesystem::path& target);

}  // namespace quillmar::fake_setup
