// libFuzzer target for the texts the page posts to the bridge. Besides crashes and
// sanitizer findings it traps when
//   - an accepted text is not a JSON object whose string "type" names the message
//     read from it, or holds a NUL byte (which no JSON text holds, though the JSON
//     library stops reading at one);
//   - an install message keeps a version that breaks the version rule;
//   - a message does not survive a round trip: written out the way the page writes
//     its messages, it must read back as the same message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "main/bridge/page_message.h"
#include "system/version_rule.h"

namespace {

using nlohmann::json;
using quillmar::PageMessage;
using quillmar::PageMessageType;

// The page's names of its messages.
const char* type_name(PageMessageType type) {
  switch (type) {
    case PageMessageType::kPreflight: return "preflight";
    case PageMessageType::kDiskSpace: return "diskSpace";
    case PageMessageType::kChooseFolder: return "chooseFolder";
    case PageMessageType::kInstall: return "install";
    case PageMessageType::kCancel: return "cancel";
    case PageMessageType::kLaunch: return "launch";
    case PageMessageType::kClose: return "close";
  }
  __builtin_trap();
}

bool carries_folder(PageMessageType type) {
  return type == PageMessageType::kDiskSpace || type == PageMessageType::kChooseFolder ||
         type == PageMessageType::kInstall;
}

std::string as_page_writes_it(const PageMessage& message) {
  json text = {{"type", type_name(message.type)}};
  if (carries_folder(message.type)) text["dir"] = message.dir;
  if (message.type == PageMessageType::kInstall) {
    text["desktopShortcut"] = message.desktop_shortcut;
    text["startMenu"] = message.start_menu;
    text["dock"] = message.dock;
    if (message.version) text["version"] = *message.version;
  }
  return text.dump();
}

bool same(const PageMessage& a, const PageMessage& b) {
  return a.type == b.type && a.dir == b.dir && a.desktop_shortcut == b.desktop_shortcut &&
         a.start_menu == b.start_menu && a.dock == b.dock && a.version == b.version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto message = quillmar::parse_page_message(text);
  if (!message) return 0;

  if (text.find('\0') != std::string_view::npos) __builtin_trap();
  const json object = json::parse(text, nullptr, false);
  if (!object.is_object() || !object.contains("type") || object["type"] != type_name(message->type)) __builtin_trap();
  if (message->version && !quillmar::matches_version_rule(*message->version)) __builtin_trap();
  if (!carries_folder(message->type) && !message->dir.empty()) __builtin_trap();

  const auto again = quillmar::parse_page_message(as_page_writes_it(*message));
  if (!again || !same(*message, *again)) __builtin_trap();
  return 0;
}
