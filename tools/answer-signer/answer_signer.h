#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "system/result.h"

namespace quillmar {

// Signs ANSWER (a JSON object) with the RSA private key in PRIVATE_KEY_PEM: the
// canonical form of the answer without `signature`, `sig_alg` and `sig_version` is
// signed with RSASSA-PSS, SHA-256, MGF1-SHA-256 and the largest salt that fits, and
// the answer comes back with those three members set (any old values replaced).
// Fails for a non-object, an answer without a canonical form, or an unusable key.
Result<nlohmann::json> sign_answer(const nlohmann::json& answer, const std::string& private_key_pem);

}  // namespace quillmar
