#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/path.h"

namespace quillmar {

enum class PageMessageType { kPreflight, kDiskSpace, kChooseFolder, kInstall, kCancel, kLaunch, kClose };

// One page message as the bridge acts on it, every member already defaulted.
struct PageMessage {
  PageMessageType type = PageMessageType::kPreflight;
  std::string dir;  // "" when missing or not a string
  // "install" only. When any of the three is present but not a JSON boolean, all
  // three are false: a page that sends garbage gets no shortcuts rather than a guess.
  bool desktop_shortcut = false;
  bool start_menu = false;
  bool dock = false;  // accepted; no effect on this platform
  // "install" only: absent when missing, not a string, or not a version.
  std::optional<std::string> version;
};

// Reads one text the page posted. Nothing for text that is not JSON (or nests deeper
// than kJsonNestingLimit), a value without a string "type", or a type the bridge
// does not know: malformed page input is dropped, never reported back.
std::optional<PageMessage> parse_page_message(std::string_view text);

// Where the dialog for "chooseFolder" starts: the parent of the page's folder when
// the folder has one and it exists.
std::optional<Path> chooser_start_folder(const Path& dir);

// The installation folder for a folder picked in the dialog: the folder itself when
// its last component is "quillmar" in any ASCII case, otherwise the folder with
// "Quillmar" appended (also for a root, which has no last component), so the
// application never spills its files into a folder the user already uses.
Path installation_folder_for_choice(const Path& chosen);

}  // namespace quillmar
