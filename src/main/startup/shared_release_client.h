#pragma once

#include <memory>

namespace quillmar {

class InstallerLog;
class ReleaseClient;

// The release client of this run: the compiled-in base URL and pins, shared
// read-only by the catalogue and install threads; the transport's own lines go to LOG. Nothing when the platform's HTTP
// layer cannot start; that is written to LOG, and every request then fails as a
// network failure instead of the installer refusing to start.
std::shared_ptr<const ReleaseClient> build_release_client(const std::shared_ptr<InstallerLog>& log);

}  // namespace quillmar
