// libFuzzer target for the package answer as the release client reads it once its
// signature has passed: the body's bytes through the nesting guard into JSON, then
// the answer's checks, both with no version chosen and with the one the answer
// names. Besides crashes and sanitizer findings it traps when an accepted package
//   - is not the answer's own members, taken as they were written;
//   - has a file name that is not a bare file name on this system (the download
//     joins it to its folder), does not start with the product's name and end in
//     ".exe" in any case, or holds a control character;
//   - has a digest that is not 64 hexadecimal digits, a size outside 1 byte to
//     2 GiB, a version with anything but ASCII letters, digits, "." and "-", or a
//     download URL that does not start with the client's base URL and download path;
//   - names another version than the one chosen.
// The seeds are real answers captured from the development release server, which
// names its download URLs after the base URL below.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "server/release_parts.h"
#include "system/json_text.h"

namespace {

using nlohmann::json;

constexpr char kBaseUrl[] = "https://localhost:47443";

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool is_version_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-';
}

bool is_bare_file_name(const std::string& name) {
  const std::filesystem::path path(name);
  return path.has_filename() && path.filename() == path && name != "." && name != "..";
}

bool starts_with_ignoring_case(std::string_view text, std::string_view head) {
  if (text.size() < head.size()) return false;
  for (std::size_t i = 0; i < head.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != head[i]) return false;
  }
  return true;
}

void check_accepted(const json& answer, const quillmar::Package& package, const std::optional<std::string>& chosen) {
  if (answer["version"] != package.version || answer["filename"] != package.filename ||
      answer["sha256"] != package.sha256 || answer["download_url"] != package.download_url ||
      answer["size_bytes"] != package.size_bytes) {
    __builtin_trap();
  }
  const std::string& name = package.filename;
  if (!is_bare_file_name(name) || !starts_with_ignoring_case(name, "quillmar")) __builtin_trap();
  if (name.size() < 4 || !starts_with_ignoring_case(std::string_view(name).substr(name.size() - 4), ".exe")) {
    __builtin_trap();
  }
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) __builtin_trap();
  }
  if (package.sha256.size() != 64) __builtin_trap();
  for (const char c : package.sha256) {
    if (!is_hex(c)) __builtin_trap();
  }
  if (package.size_bytes < 1 || package.size_bytes > (std::uint64_t{1} << 31)) __builtin_trap();
  if (package.version.empty()) __builtin_trap();
  for (const char c : package.version) {
    if (!is_version_character(c)) __builtin_trap();
  }
  if (package.download_url.rfind(std::string(kBaseUrl) + quillmar::kDownloadPath, 0) != 0) __builtin_trap();
  if (chosen && package.version != *chosen) __builtin_trap();
}

void check(const json& answer, const std::optional<std::string>& chosen) {
  const auto result = quillmar::check_package_answer(answer, kBaseUrl, chosen);
  if (result) {
    check_accepted(answer, result.value(), chosen);
  } else if (result.error().kind != quillmar::ReleaseError::Kind::kUntrusted) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const json answer = quillmar::parse_json_text(std::string_view(reinterpret_cast<const char*>(data), size));
  check(answer, std::nullopt);
  if (answer.is_object() && answer.contains("version") && answer["version"].is_string()) {
    check(answer, answer["version"].get<std::string>());
    check(answer, answer["version"].get<std::string>() + "0");
  }
  return 0;
}
