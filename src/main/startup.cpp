#include "main/startup.h"

#include <cstdio>
#include <string>

#include "main/build_config.h"
#include "main/fatal.h"
#include "main/start_line.h"
#include "server/release_client.h"
#include "signature/signature_verifier.h"
#include "system/environment.h"
#include "system/installer_log.h"
#include "system/paths.h"

namespace quillmar {

// The start-up order is fixed: each step begins only after the previous one ended,
// and the three fatal failures (damaged key, no window, no web view) stop the
// process with exit code 1 before the event loop runs.
int run_installer() {
  // Check the embedded release-signing key against its pinned digest; a damaged key
  // ends here, before anything is written.
  Result<std::shared_ptr<const SignatureVerifier>> built_verifier = SignatureVerifier::from_embedded_key();
  if (!built_verifier) fatal("This installer is damaged: " + built_verifier.error().message);
  // Shared read-only by the catalogue thread and the install worker.
  const std::shared_ptr<const SignatureVerifier> verifier = std::move(built_verifier).value();

  std::shared_ptr<InstallerLog> log = InstallerLog::open_in(logs_folder());
  log->write_log(start_line(kReleaseBaseUrl));

  // Create the event loop and the installer window. Filled in with the window.

  const InstallerEnvironment environment = discover_environment();
  const std::string initialization_script = "window.QUILLMAR_INSTALLER = " + environment_json(environment) + ";";

  // Create the web view with its asset server and this initialization script.
  // Filled in with the web view.

  // Build the release client: the base URL and the agent with its pinned transport,
  // shared read-only by the catalogue and install threads. It fails only when the
  // platform's HTTP layer cannot start; the run goes on and requests then fail.
  const auto release_client = ReleaseClient::build(kReleaseBaseUrl);
  if (!release_client) log->write_log("release client unavailable: " + release_client.error().message);

  // Run the event loop until the installer closes. Filled in with the page bridge;
  // until then start-up ends here and shows how far it got.
  std::printf("%s\n", initialization_script.c_str());
  return 0;
}

}  // namespace quillmar
