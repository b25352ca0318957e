// libFuzzer target for the catalogue answer as the release client reads it: the
// body's bytes through the nesting guard into JSON, then into the release list the
// page is shown. Besides crashes and sanitizer findings it traps when
//   - the guarded reader disagrees with the JSON library's own reader: a text that
//     nests at most kJsonNestingLimit levels must give the same value, a deeper or
//     malformed one null (the depth is measured apart, by the library's event
//     reader), and so must a text with a NUL byte, where the library stops reading;
//   - a listed release breaks what the list promises: a version that follows the
//     version rule and is named by the catalogue for this platform, no version
//     twice, and only the first entry the newest one.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "server/release_parts.h"
#include "system/json_text.h"
#include "system/product.h"
#include "system/version_rule.h"

namespace {

using nlohmann::json;

// Follows the library's reading events and keeps the deepest nesting seen.
class DepthMeter : public nlohmann::json_sax<json> {
 public:
  std::size_t deepest = 0;

  bool start_object(std::size_t) override { return enter(); }
  bool start_array(std::size_t) override { return enter(); }
  bool end_object() override { return leave(); }
  bool end_array() override { return leave(); }
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool key(string_t&) override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  bool enter() {
    if (++depth_ > deepest) deepest = depth_;
    return true;
  }
  bool leave() {
    --depth_;
    return true;
  }
  std::size_t depth_ = 0;
};

void check_guarded_reader(std::string_view text, const json& guarded) {
  DepthMeter meter;
  const bool well_formed = text.find('\0') == std::string_view::npos && json::sax_parse(text, &meter);
  if (!well_formed || meter.deepest > quillmar::kJsonNestingLimit) {
    if (!guarded.is_null()) __builtin_trap();
    return;
  }
  if (guarded != json::parse(text)) __builtin_trap();
}

// Whether CATALOGUE offers VERSION for this platform, as the newest release or a
// previous one.
bool offers(const json& catalogue, const std::string& version, bool newest) {
  const auto offered = [&](const json& release) {
    return release.is_object() && release.contains("version") && release["version"] == version &&
           release.contains("artifacts") && release["artifacts"].is_object() &&
           release["artifacts"].contains(quillmar::kPlatformWord);
  };
  if (newest) return offered(catalogue);
  if (!catalogue.is_object() || !catalogue.contains("previous") || !catalogue["previous"].is_array()) return false;
  for (const json& release : catalogue["previous"]) {
    if (offered(release)) return true;
  }
  return false;
}

void check_release_list(const json& catalogue, const quillmar::ReleaseList& releases) {
  std::set<std::string> seen;
  for (std::size_t i = 0; i < releases.size(); ++i) {
    const quillmar::ReleaseEntry& entry = releases[i];
    if (entry.newest && i != 0) __builtin_trap();
    if (!quillmar::matches_version_rule(entry.version) || !seen.insert(entry.version).second) __builtin_trap();
    if (!offers(catalogue, entry.version, entry.newest)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  json catalogue = quillmar::parse_json_text(text);
  check_guarded_reader(text, catalogue);
  // The list takes members out of the catalogue it is given; keep the original to
  // check against.
  const quillmar::ReleaseList releases = quillmar::build_release_list(catalogue);
  check_release_list(catalogue, releases);
  return 0;
}
