#include "server/release_parts.h"
#include "signature/signature_verifier.h"
#include "system/clock.h"
#include "system/product.h"
#include "system/random.h"

namespace quillmar {

nlohmann::json signed_request_body(const std::string& nonce, const std::optional<std::string>& version) {
  nlohmann::json body = {{"installer_version", kInstallerVersion}, {"nonce", nonce}, {"platform", kPlatformWord}};
  if (version) body["version"] = *version;
  return body;
}

ReleaseResult<nlohmann::json> signed_exchange(const ReleaseClient& client, const SignatureVerifier& verifier,
                                              std::string_view path, const std::optional<std::string>& version) {
  const auto nonce = make_nonce();
  if (!nonce) return network_error();
  JsonAnswer json = QUILLMAR_TRY(client.post_json(path, signed_request_body(nonce.value(), version)));
  if (json.status != 200) return classify_status(json.status);
  const auto verified = verifier.verify(json.body, nonce.value(), unix_seconds_now());
  if (!verified) return untrusted(verified.error().message);
  return std::move(json.body);
}

}  // namespace quillmar
