#include "main/startup/installer_session.h"

#include "install/download_folder.h"
#include "main/bridge/user_events.h"
#include "main/build_config.h"
#include "main/startup/start_line.h"
#include "signature/signature_verifier.h"
#include "system/disk_space.h"
#include "system/installer_log.h"
#include "system/paths.h"

namespace quillmar {

Result<InstallerSession> begin_session() {
  auto verifier = SignatureVerifier::from_embedded_key();
  if (!verifier) return Error{"This installer is damaged: " + verifier.error().message};
  InstallerSession session;
  // Shared read-only by the catalogue thread and the install worker.
  session.verifier = std::move(verifier).value();
  session.log = InstallerLog::open_in(logs_folder());
  session.log->write_log(start_line(kReleaseBaseUrl));
  remove_abandoned_download_folders();
  return session;
}

std::unique_ptr<PageBridge> session_bridge(
    const InstallerSession& session, const std::shared_ptr<const ReleaseClient>& client,
    const std::shared_ptr<UserEventQueue>& queue,
    std::function<std::optional<Path>(const std::optional<Path>&)> choose_folder,
    const WorkersFactory& make_workers) {
  BridgeHost host;
  host.send_event = [queue](InstallerEvent event) { queue->post(UserEvent::deliver(std::move(event))); };
  host.post_close = [queue] { queue->post(UserEvent::close()); };
  host.choose_folder = std::move(choose_folder);
  host.free_bytes = free_bytes_near;
  return std::make_unique<PageBridge>(std::move(host), make_workers(client, session.verifier, session.log),
                                      session.log);
}

}  // namespace quillmar
