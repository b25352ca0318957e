#include "install/install_worker.h"

#include "install/install_steps.h"
#include "server/release_client.h"

namespace quillmar {

InstallOutcome runInstall(const InstallRequest& request, const InstallContext& context) {
  InstallContext filled = context;
  if (!filled.request_package) {
    filled.request_package = [&context](const std::optional<std::string>& version) -> Result<Package> {
      auto answer = request_package(*context.client, *context.verifier, version);
      if (auto* error = std::get_if<ReleaseError>(&answer)) return Error{error->diagnostic()};
      return std::get<Package>(std::move(answer));
    };
  }
  return run_install_steps(request, filled);
}

}  // namespace quillmar
