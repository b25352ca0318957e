#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace quillmar {

// Every JSON text the installer writes: compact, members in bytewise key order (the
// default object map sorts them), invalid UTF-8 replaced by U+FFFD rather than
// throwing, and floating-point numbers always with a fractional part (100.0).
inline std::string compact_json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The deepest nesting of arrays and objects a JSON text from outside may have. The
// deepest answer the release server sends nests six levels; this leaves sixty-four
// to spare. Deeper values are refused before parsing because copying, serializing
// and canonicalizing a value all recurse once per level, and a text of a hundred
// kilobytes could otherwise exhaust the stack.
inline constexpr std::size_t kJsonNestingLimit = 70;

// The JSON value of TEXT, or null when TEXT is not JSON or nests deeper than
// kJsonNestingLimit.
nlohmann::json parse_json_text(std::string_view text);

}  // namespace quillmar
