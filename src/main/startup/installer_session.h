#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "main/bridge/page_bridge.h"
#include "main/startup/installer_workers.h"
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

// Makes the workers behind the page bridge from the release client, the verifier
// and the log; installer_workers makes the real ones.
using WorkersFactory = std::function<BridgeWorkers(const std::shared_ptr<const ReleaseClient>&,
                                                   const std::shared_ptr<const SignatureVerifier>&,
                                                   const std::shared_ptr<InstallerLog>&)>;

// The page bridge of SESSION with the workers MAKE_WORKERS makes on CLIENT: events and
// the close go through QUEUE; CHOOSE_FOLDER is the platform's folder picker.
std::unique_ptr<PageBridge> session_bridge(
    const InstallerSession& session, const std::shared_ptr<const ReleaseClient>& client,
    const std::shared_ptr<UserEventQueue>& queue,
    std::function<std::optional<Path>(const std::optional<Path>&)> choose_folder,
    const WorkersFactory& make_workers = installer_workers);

}  // namespace quillmar
