#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "main/page_bridge.h"
#include "system/path.h"
#include "system/result.h"

namespace quillmar {

class InstallerLog;
class ReleaseClient;
class SignatureVerifier;
class UserEventQueue;

// What the installer and the headless host both set up, in the same order, before
// each runs its own loop.
struct InstallerSession {
  std::shared_ptr<const SignatureVerifier> verifier;
  std::shared_ptr<InstallerLog> log;
};

// The first steps of every start: the embedded release-signing key checked against
// its pinned digest (the error text is that of the damaged-installer message), then
// the log opened with its start line, then the download folders that earlier runs
// left behind removed.
Result<InstallerSession> begin_session();

// The page bridge of SESSION with the real workers on CLIENT: events and the close
// go through QUEUE; CHOOSE_FOLDER is the platform's folder picker.
std::unique_ptr<PageBridge> session_bridge(
    const InstallerSession& session, const std::shared_ptr<const ReleaseClient>& client,
    const std::shared_ptr<UserEventQueue>& queue,
    std::function<std::optional<Path>(const std::optional<Path>&)> choose_folder);

}  // namespace quillmar
