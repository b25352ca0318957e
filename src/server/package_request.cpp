#include "server/release_parts.h"

namespace quillmar {

ReleaseResult<Package> request_package(const ReleaseClient& client, const SignatureVerifier& verifier,
                                       const std::optional<std::string>& version) {
  const auto answer = signed_exchange(client, verifier, kAuthorizePath, version);
  if (!answer) return answer.error();
  return check_package_answer(answer.value(), client.base_url(), version);
}

}  // namespace quillmar
