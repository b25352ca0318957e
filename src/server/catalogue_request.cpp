#include "server/release_parts.h"
#include "system/installer_log.h"

namespace quillmar {

nlohmann::json preflight_failure(const ReleaseError& error, InstallerLog& log) {
  log.write_log("preflight failed: " + error.diagnostic());
  nlohmann::json status = nullptr;
  if (error.kind == ReleaseError::Kind::kServer) status = error.status;
  return {{"type", "preflight"}, {"ok", false}, {"reason", error.reason_word()}, {"status", status}};
}

nlohmann::json run_catalogue_request(const ReleaseClient& client, const SignatureVerifier& verifier,
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
  nlohmann::json releases = build_release_list(std::move(catalogue));

  log.write_log("preflight succeeded: " + std::to_string(releases.size()) + " versions offered");
  return {{"type", "preflight"}, {"ok", true}, {"releases", std::move(releases)}};
}

}  // namespace quillmar
