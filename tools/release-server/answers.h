#pragma once

#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "answer_signer.h"
#include "release_store.h"
#include "system/result.h"

namespace quillmar::release_server {

// The two answers that carry a signature, made the same way by the development
// server (which wraps its faults around these steps) and by the signing service.

// What an answer depends on in a preflight or authorize request's body: the nonce
// to echo (empty when the body has none) and the version asked for, if any.
struct AnswerRequest {
  std::string nonce;
  std::optional<std::string> version;
};
AnswerRequest read_answer_request(const std::string& body);

// server_time as signed answers carry it: RFC 3339 in UTC, whole seconds.
std::string server_time(std::chrono::system_clock::time_point now);

// The release an authorize request names, or the newest when it names none; null
// when there is no such release (the answer is then 404).
const Release* chosen_release(const ReleaseStore& store, const AnswerRequest& request);

// The package answer of RELEASE before signing; its download URL is PUBLIC_URL
// followed by the package's path, which holds its digest.
nlohmann::json package_answer(const Release& release, const std::string& public_url);

// ANSWER with the members every signed answer carries (nonce, server_time,
// issuer) and then signed by SIGNER. Without a signer the issuer names an all-zero
// key and no signature is added: an answer the installer must refuse.
Result<nlohmann::json> signed_answer(nlohmann::json answer, const std::string& nonce, const std::string& time,
                                     const AnswerSigner* signer);

// Sends ANSWER with status 200, or, when it could not be signed, a 500 (and the
// reason to standard error).
void reply_signed(httplib::Response& response, const Result<nlohmann::json>& answer);

// The 404 to an authorize request for a release there is not.
void reply_no_such_release(httplib::Response& response);

}  // namespace quillmar::release_server
