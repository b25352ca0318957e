#include "main/startup/shared_release_client.h"

#include "main/build_config.h"
#include "server/release_client.h"
#include "system/installer_log.h"

namespace quillmar {

std::shared_ptr<const ReleaseClient> build_release_client(const std::shared_ptr<InstallerLog>& log_file) {
  InstallerLog& log = *log_file;
  // The client may outlive this call on worker threads; it shares the log.
  auto client = ReleaseClient::build(kReleaseBaseUrl, [log_file](const std::string& line) { log_file->write_log(line); });
  if (!client) {
    log.write_log("release client unavailable: " + client.error().message);
    return nullptr;
  }
  return std::move(client).value();
}

}  // namespace quillmar
