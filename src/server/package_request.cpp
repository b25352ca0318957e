#include "server/release_parts.h"

namespace quillmar {

ReleaseResult<Package> request_package(const ReleaseClient& client, const SignatureVerifier& verifier,
                                       const std::optional<std::string>& version) {
  const auto answer = QUILLMAR_TRY(signed_exchange(client, verifier, kAuthorizePath, version));
  return check_package_answer(answer, client.base_url(), version);
}

}  // namespace quillmar
