#pragma once

#include <memory>

#include "main/bridge/page_bridge.h"

namespace quillmar {

class InstallerLog;
class ReleaseClient;
class SignatureVerifier;

// The real workers behind "preflight", "install" and "launch": the catalogue request
// and the install worker on the shared release client and verifier, and the launch of
// the installed application. The installer and the headless host both take theirs
// from here, so the two run the same work.
BridgeWorkers installer_workers(const std::shared_ptr<const ReleaseClient>& client,
                                const std::shared_ptr<const SignatureVerifier>& verifier,
                                const std::shared_ptr<InstallerLog>& log);

}  // namespace quillmar
