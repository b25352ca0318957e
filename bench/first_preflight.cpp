// Benchmark build of the Linux installer: the real window, web view and page, with a
// catalogue worker that prints the wall-clock time at which the page's first
// "preflight" reached the bridge and ends the process.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "main/run_installer.h"

namespace quillmar {
namespace {

BridgeWorkers first_preflight_workers(const std::shared_ptr<const ReleaseClient>&,
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

}  // namespace
}  // namespace quillmar

int main() { return quillmar::run_installer(quillmar::embedded_assets(), quillmar::first_preflight_workers); }
