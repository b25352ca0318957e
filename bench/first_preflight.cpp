// Benchmark build of the Linux installer: the real window, web view and page, with a
// catalogue worker that prints the wall-clock time at which the page's first
// "preflight" reached the bridge and ends the process. Its definition of
// installer_workers takes the place of the installer's own at link time.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "main/installer_workers.h"
#include "main/startup.h"

// Defined by its qualified name, so a definition that drifts from the header's
// declaration fails to compile instead of quietly losing to the installer's own.
quillmar::BridgeWorkers quillmar::installer_workers(const std::shared_ptr<const ReleaseClient>&,
                                                   const std::shared_ptr<const SignatureVerifier>&,
                                                   const std::shared_ptr<InstallerLog>&) {
  BridgeWorkers workers;
  workers.catalogue = []() -> ReleaseResult<ReleaseList> {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("preflight %.6f\n", std::chrono::duration<double>(now).count());
    std::fflush(stdout);
    std::_Exit(0);
  };
  return workers;
}

int main() { return quillmar::run_installer(quillmar::embedded_assets()); }
