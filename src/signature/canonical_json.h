#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "system/result.h"

namespace quillmar {

// The refusal of a value that has no canonical form because it holds a number
// written with a fraction or an exponent, or an integer too large for 64 bits.
inline constexpr char kFloatingPointRefusal[] = "a signed answer carries a floating-point number";

// The byte string a signature covers: compact JSON, object members sorted by the
// unsigned bytes of their UTF-8 keys at every level, integers only, and every
// character outside printable ASCII written as \u escapes of its UTF-16 code units.
// The server signs these bytes and the verifier rebuilds them, so one byte of
// difference breaks every signature. On failure nothing of the partial text escapes.
Result<std::string> canonical_json(const nlohmann::json& value);

// The canonical form of OBJECT without the top-level members named in SKIPPED
// (members of those names in nested objects stay). This is the signed payload of an
// answer, built without copying the answer. A value that is not an object is
// canonicalised whole.
Result<std::string> canonical_json_without(const nlohmann::json& object,
                                           std::initializer_list<std::string_view> skipped);

}  // namespace quillmar
