#include "main/bridge/page_message.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

#include "system/json_text.h"
#include "system/version_rule.h"

namespace quillmar {
namespace {

using Json = nlohmann::json;

// Matched in this order; anything else is dropped.
constexpr std::array<std::pair<std::string_view, PageMessageType>, 7> kTypes = {{
    {"preflight", PageMessageType::kPreflight},
    {"diskSpace", PageMessageType::kDiskSpace},
    {"chooseFolder", PageMessageType::kChooseFolder},
    {"install", PageMessageType::kInstall},
    {"cancel", PageMessageType::kCancel},
    {"launch", PageMessageType::kLaunch},
    {"close", PageMessageType::kClose},
}};

std::string string_member(const Json& object, const char* name) {
  const auto found = object.find(name);
  if (found == object.end() || !found->is_string()) return {};
  return found->get<std::string>();
}

void read_install_members(const Json& object, PageMessage& message) {
  constexpr std::array<const char*, 3> kFlags = {"desktopShortcut", "startMenu", "dock"};
  std::array<bool, 3> values{};
  bool all_well_formed = true;
  for (std::size_t i = 0; i < kFlags.size(); ++i) {
    const auto found = object.find(kFlags[i]);
    if (found == object.end()) continue;
    if (!found->is_boolean()) {
      all_well_formed = false;
      break;
    }
    values[i] = found->get<bool>();
  }
  // One malformed flag makes all three false; the other members are still read.
  if (all_well_formed) {
    message.desktop_shortcut = values[0];
    message.start_menu = values[1];
    message.dock = values[2];
  }

  const auto version = object.find("version");
  if (version != object.end() && version->is_string() && matches_version_rule(version->get_ref<const std::string&>())) {
    message.version = version->get<std::string>();
  }
}

}  // namespace

std::optional<PageMessage> parse_page_message(std::string_view text) {
  // The guarded reader, so a text that is JSON only up to a NUL byte is dropped too.
  const Json object = parse_json_text(text);
  if (!object.is_object()) return std::nullopt;  // also the null of a text that is not JSON
  const auto type = object.find("type");
  if (type == object.end() || !type->is_string()) return std::nullopt;

  for (const auto& [name, kind] : kTypes) {
    if (type->get_ref<const std::string&>() != name) continue;
    PageMessage message;
    message.type = kind;
    if (kind == PageMessageType::kDiskSpace || kind == PageMessageType::kChooseFolder ||
        kind == PageMessageType::kInstall) {
      message.dir = string_member(object, "dir");
    }
    if (kind == PageMessageType::kInstall) read_install_members(object, message);
    return message;
  }
  return std::nullopt;
}

}  // namespace quillmar
