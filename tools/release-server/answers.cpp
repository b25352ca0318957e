#include "answers.h"

#include <date/date.h>

#include <cstdio>

#include "static_tree.h"
#include "system/json_text.h"

namespace quillmar::release_server {

AnswerRequest read_answer_request(const std::string& body) {
  const nlohmann::json request = parse_json_text(body);
  AnswerRequest read;
  if (!request.is_object()) return read;
  if (const auto nonce = request.find("nonce"); nonce != request.end() && nonce->is_string()) read.nonce = *nonce;
  if (const auto version = request.find("version"); version != request.end() && version->is_string()) {
    read.version = *version;
  }
  return read;
}

std::string server_time(std::chrono::system_clock::time_point now) {
  return date::format("%FT%TZ", date::floor<std::chrono::seconds>(now));
}

const Release* chosen_release(const ReleaseStore& store, const AnswerRequest& request) {
  return request.version ? store.find(*request.version) : store.newest();
}

nlohmann::json package_answer(const Release& release, const std::string& public_url) {
  return {{"schema", "quillmar-installer-authorize-v1"},
          {"platform", "windows_x86_64"},
          {"version", release.version},
          {"filename", release.filename},
          {"size_bytes", release.size_bytes},
          {"sha256", release.sha256},
          {"download_url", public_url + download_path(release)}};
}

Result<nlohmann::json> signed_answer(nlohmann::json answer, const std::string& nonce, const std::string& time,
                                     const AnswerSigner* signer) {
  answer["nonce"] = nonce;
  answer["server_time"] = time;
  answer["issuer"] = {{"environment", "production"},
                      {"signing_key_sha256", signer != nullptr ? signer->key_sha256() : std::string(64, '0')}};
  if (signer == nullptr) return answer;
  return signer->sign(answer);
}

void reply_signed(httplib::Response& response, const Result<nlohmann::json>& answer) {
  if (!answer) {
    std::fprintf(stderr, "cannot sign an answer: %s\n", answer.error().message.c_str());
    response.status = 500;
    response.set_content(R"({"error":"the answer could not be signed"})", "application/json");
    return;
  }
  response.status = 200;
  response.set_content(compact_json(answer.value()), "application/json");
}

void reply_no_such_release(httplib::Response& response) {
  response.status = 404;
  response.set_content(R"({"error":"no such release"})", "application/json");
}

}  // namespace quillmar::release_server
