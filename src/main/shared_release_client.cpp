#include "main/shared_release_client.h"

#include "main/build_config.h"
#include "server/release_client.h"
#include "system/installer_log.h"

namespace quillmar {

std::shared_ptr<const ReleaseClient> build_release_client(InstallerLog& log) {
  auto client = ReleaseClient::build(kReleaseBaseUrl);
  if (!client) {
    log.write_log("release client unavailable: " + client.error().message);
    return nullptr;
  }
  return std::move(client).value();
}

}  // namespace quillmar
