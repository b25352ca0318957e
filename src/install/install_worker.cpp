#include "install/install_worker.h"

#include "install/install_steps.h"
#include "server/release_client.h"

namespace quillmar {

InstallOutcome runInstall(const InstallRequest& request, const InstallContext& context) {
  InstallContext filled = context;
  if (!filled.request_package) {
    filled.request_package = [&context](const std::optional<std::string>& version) -> Result<Package> {
      auto answer = request_package(*context.client, *context.verifier, version);
      if (!answer) return Error{answer.error().diagnostic()};
      return std::move(answer).value();
    };
  }
  return run_install_steps(request, filled);
}

}  // namespace quillmar
