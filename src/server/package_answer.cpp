#include <algorithm>

#include "server/release_parts.h"
#include "system/product.h"
#include "system/text.h"

namespace quillmar {
namespace {

constexpr std::uint64_t kLargestPackage = 2147483648ULL;  // 2^31 bytes, inclusive

bool is_ascii_letter_or_digit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The download builds a path from this name, so beyond the naming rule it must be
// a bare name: no folder separators, no drive colon, no parent step. Control
// characters are refused too: a NUL would end the name early at the system call,
// after the checks above had looked at the whole text.
bool acceptable_filename(const std::string& filename) {
  const std::string lowered = ascii_lower(filename);
  if (lowered.rfind("quillmar", 0) != 0 || !ends_with(lowered, ".exe")) return false;
  if (lowered.find("..") != std::string::npos) return false;
  return std::none_of(lowered.begin(), lowered.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7f;
  });
}

bool acceptable_version_text(const std::string& version) {
  return !version.empty() && std::all_of(version.begin(), version.end(), [](char c) {
    return is_ascii_letter_or_digit(c) || c == '.' || c == '-';
  });
}

const nlohmann::json* member(const nlohmann::json& object, const char* name) {
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}

bool is_string_member(const nlohmann::json& object, const char* name, const char* expected) {
  const nlohmann::json* value = member(object, name);
  return value != nullptr && value->is_string() && value->get_ref<const std::string&>() == expected;
}

std::optional<std::string> string_member(const nlohmann::json& object, const char* name) {
  const nlohmann::json* value = member(object, name);
  if (value == nullptr || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

}  // namespace

ReleaseResult<Package> check_package_answer(const nlohmann::json& answer, std::string_view base_url,
                                            const std::optional<std::string>& chosen) {
  if (!answer.is_object() || !is_string_member(answer, "schema", "quillmar-installer-authorize-v1") ||
      !is_string_member(answer, "platform", kPlatformWord)) {
    return untrusted("the answer does not name a package for this platform");
  }

  Package package;
  const auto version = string_member(answer, "version");
  const auto filename = string_member(answer, "filename");
  const auto sha256 = string_member(answer, "sha256");
  const auto download_url = string_member(answer, "download_url");
  const nlohmann::json* size = member(answer, "size_bytes");
  // A non-negative integer that fits 64 bits: the JSON reader keeps those apart
  // from negative integers and from floating-point numbers.
  const bool size_is_integer = size != nullptr && (size->is_number_unsigned() ||
                                                   (size->is_number_integer() && size->get<std::int64_t>() >= 0));
  if (!version || !filename || !sha256 || !download_url || !size_is_integer) {
    return untrusted("malformed package answer");
  }
  package.version = *version;
  package.filename = *filename;
  package.sha256 = *sha256;
  package.download_url = *download_url;
  package.size_bytes = size->get<std::uint64_t>();

  const std::string download_prefix = std::string(base_url) + kDownloadPath;
  const bool checks_pass =
      package.download_url.rfind(download_prefix, 0) == 0 && acceptable_filename(package.filename) &&
      package.sha256.size() == 64 && std::all_of(package.sha256.begin(), package.sha256.end(), is_hex_digit) &&
      package.size_bytes >= 1 && package.size_bytes <= kLargestPackage && acceptable_version_text(package.version);
  if (!checks_pass) return untrusted("the package answer failed its checks");

  if (chosen && package.version != *chosen) {
    return untrusted("the answer names another version than the one chosen");
  }
  return package;
}

}  // namespace quillmar
