#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace quillmar {

// Every JSON text the installer writes: compact, members in bytewise key order (the
// default object map sorts them), invalid UTF-8 replaced by U+FFFD rather than
// throwing, and floating-point numbers always with a fractional part (100.0).
inline std::string compact_json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace quillmar
