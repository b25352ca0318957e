#include "server/release_parts.h"
#include "system/installer_log.h"

namespace quillmar {

ReleaseError preflight_failure(ReleaseError error, InstallerLog& log) {
  log.write_log("preflight failed: " + error.diagnostic());
  return error;
}

ReleaseResult<ReleaseList> run_catalogue_request(const ReleaseClient& client, const SignatureVerifier& verifier,
                                                 InstallerLog& log) {
  // The handshake: a signed answer for a fresh nonce, verified; its content is not
  // needed beyond that.
  const auto handshake = signed_exchange(client, verifier, kPreflightPath, std::nullopt);
  if (!handshake) return preflight_failure(handshake.error(), log);

  // The catalogue itself is not signed, and without it the page still offers the
  // newest release (the server picks it when no version is named), so any failure
  // here yields an empty list rather than an error.
  nlohmann::json catalogue = nullptr;
  auto answer = client.get_json(kCataloguePath);
  if (answer && answer.value().status == 200) catalogue = std::move(answer.value().body);
  ReleaseList releases = build_release_list(std::move(catalogue));

  log.write_log("preflight succeeded: " + std::to_string(releases.size()) + " versions offered");
  return releases;
}

}  // namespace quillmar
