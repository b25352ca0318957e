#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>

#include "shortcuts.h"

namespace quillmar::fake_setup {
namespace {

std::optional<std::filesystem::path> variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::filesystem::path(value);
}

std::optional<std::filesystem::path> shortcut_folder(ShortcutPlace place) {
  const auto home = variable("HOME");
  if (place == ShortcutPlace::kDesktop) {
    if (auto desktop = variable("XDG_DESKTOP_DIR")) return desktop;
    if (home) return *home / "Desktop";
    return std::nullopt;
  }
  if (auto data = variable("XDG_DATA_HOME")) return *data / "applications";
  if (home) return *home / ".local" / "share" / "applications";
  return std::nullopt;
}

}  // namespace

bool create_shortcut(ShortcutPlace place, const std::filesystem::path& target) {
  const auto folder = shortcut_folder(place);
  if (!folder) return false;
  std::error_code error;
  std::filesystem::create_directories(*folder, error);
  if (error) return false;
  std::ofstream out(*folder / "quillmar.desktop", std::ios::binary | std::ios::trunc);
  out << "[Desktop Entry]\nType=Application\nName=Quillmar\nExec=\"" << target.string() << "\"\nPath="
      << target.parent_path().string() << "\n";
  return static_cast<bool>(out.flush());
}

}  // namespace quillmar::fake_setup
