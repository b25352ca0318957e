#pragma once

// The pure parts of the release client, apart from the transport so they are
// tested on their own: base URL, status classification, the catalogue list, the
// package answer's checks, and building a client with chosen pins.

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "pinning/pinned_tls.h"
#include "server/release_client.h"

namespace quillmar {

inline constexpr char kPreflightPath[] = "/api/v1/installer/preflight";
inline constexpr char kAuthorizePath[] = "/api/v1/installer/authorize";
inline constexpr char kCataloguePath[] = "/api/v1/updates/downloads";
inline constexpr char kDownloadPath[] = "/api/v1/installer/download/";

// The base URL with every trailing "/" removed.
std::string trim_base_url(std::string_view base_url);

// The error of any status other than 200: 404 and 409 are Unavailable, every other
// status (other 2xx and 3xx included) is Server(status).
ReleaseError classify_status(int status);

ReleaseError untrusted(std::string message);
inline ReleaseError network_error() { return ReleaseError{ReleaseError::Kind::kNetwork, 0, {}}; }

// The release entries for the page from a catalogue answer (any JSON value):
// the newest first when it is offered for this platform, then the previous
// releases in the server's order, without repeating a version.
ReleaseList build_release_list(nlohmann::json catalogue);

// The checks of a verified package answer, in their order. BASE_URL is the
// client's; CHOSEN is the version the request named, if any.
ReleaseResult<Package> check_package_answer(const nlohmann::json& answer, std::string_view base_url,
                                            const std::optional<std::string>& chosen);

// The body of a signed request: installer version, nonce, platform and, when
// given, the chosen version.
nlohmann::json signed_request_body(const std::string& nonce, const std::optional<std::string>& version);

// A signed request to PATH with a fresh nonce, and its answer once the answer is
// 200 and verified against that nonce, the clock and the embedded key.
ReleaseResult<nlohmann::json> signed_exchange(const ReleaseClient& client, const SignatureVerifier& verifier,
                                              std::string_view path, const std::optional<std::string>& version);

// A client with the given pins and extra trust anchor instead of the compiled-in
// ones: tests and tools that talk to a server with keys of their own.
// LOG, when given, receives the transport's lines for the installer log.
Result<std::shared_ptr<const ReleaseClient>> make_release_client(
    std::string base_url, std::vector<Sha256Digest> pins, std::string extra_trust_anchor_pem,
    std::function<void(const std::string&)> log = {});

}  // namespace quillmar
