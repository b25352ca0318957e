#pragma once

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace quillmar
