#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <optional>
#include <system_error>

#include "shortcuts.h"
#include "system/wide_text_win.h"

namespace quillmar::fake_setup {
namespace {

std::optional<std::filesystem::path> known_folder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) {
    CoTaskMemFree(path);
    return std::nullopt;
  }
  std::filesystem::path folder(path);
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

bool create_shortcut(ShortcutPlace place, const std::filesystem::path& target) {
  const auto folder = known_folder(place == ShortcutPlace::kDesktop ? FOLDERID_Desktop : FOLDERID_Programs);
  if (!folder) return false;
  std::error_code error;
  std::filesystem::create_directories(*folder, error);
  std::ofstream out(*folder / L"Quillmar.url", std::ios::binary | std::ios::trunc);
  out << "[InternetShortcut]\r\nURL=file:///" << wide_to_utf8(target.native()) << "\r\n";
  return static_cast<bool>(out.flush());
}

}  // namespace quillmar::fake_setup
