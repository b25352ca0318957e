#include <algorithm>

#include "server/release_parts.h"
#include "system/product.h"
#include "system/version_rule.h"

namespace quillmar {
namespace {

bool offered_for_this_platform(const nlohmann::json& release) {
  if (!release.is_object()) return false;
  const auto artifacts = release.find("artifacts");
  return artifacts != release.end() && artifacts->is_object() && artifacts->contains(kPlatformWord);
}

std::optional<std::string> ruled_version(const nlohmann::json& release) {
  if (!release.is_object()) return std::nullopt;
  const auto version = release.find("version");
  if (version == release.end() || !version->is_string()) return std::nullopt;
  const std::string& text = version->get_ref<const std::string&>();
  if (!matches_version_rule(text)) return std::nullopt;
  return text;
}

// Takes the member out of OBJECT rather than copying it: the list is built from a
// catalogue that is thrown away afterwards.
nlohmann::json take_member_or_null(nlohmann::json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(name);
  return found == object.end() ? nlohmann::json(nullptr) : std::move(*found);
}

}  // namespace

ReleaseList build_release_list(nlohmann::json catalogue) {
  ReleaseList releases;
  const auto already_listed = [&](const std::string& version) {
    return std::any_of(releases.begin(), releases.end(),
                       [&](const ReleaseEntry& entry) { return entry.version == version; });
  };

  if (const auto version = ruled_version(catalogue); version && offered_for_this_platform(catalogue)) {
    releases.push_back({*version, take_member_or_null(catalogue["artifacts"][kPlatformWord], "published_at"), true});
  }
  nlohmann::json previous = take_member_or_null(catalogue, "previous");
  if (previous.is_array()) {
    for (auto& release : previous) {
      const auto version = ruled_version(release);
      if (!version || !offered_for_this_platform(release) || already_listed(*version)) continue;
      releases.push_back({*version, take_member_or_null(release, "published_at"), false});
    }
  }
  return releases;
}

}  // namespace quillmar
