#include "main/startup/installer_workers.h"

#include "install/install_worker.h"
#include "install/post_install.h"
#include "server/release_client.h"
#include "server/release_parts.h"
#include "system/installer_log.h"

namespace quillmar {

BridgeWorkers installer_workers(const std::shared_ptr<const ReleaseClient>& client,
                                const std::shared_ptr<const SignatureVerifier>& verifier,
                                const std::shared_ptr<InstallerLog>& log) {
  BridgeWorkers workers;
  workers.catalogue = [client, verifier, log]() -> ReleaseResult<ReleaseList> {
    if (!client) return preflight_failure(network_error(), *log);
    return run_catalogue_request(*client, *verifier, *log);
  };
  workers.install = [client, verifier, log](const InstallRequest& request, std::atomic<bool>& cancel,
                                            const ProgressSender& send) {
    InstallContext context;
    context.client = client.get();
    context.cancel = &cancel;
    context.log = log.get();
    context.send = send;
    context.request_package = [&client, &verifier](const std::optional<std::string>& version) -> Result<Package> {
      // Without an HTTP layer no package answer can come; the run fails at that step
      // exactly as it would when the server cannot be reached.
      if (!client) return Error{network_error().diagnostic()};
      auto answer = request_package(*client, *verifier, version);
      if (!answer) return Error{answer.error().diagnostic()};
      return std::move(answer).value();
    };
    return runInstall(request, context);
  };
  workers.launch = [log](const Path& folder) { launchInstalled(folder, *log); };
  return workers;
}

}  // namespace quillmar
