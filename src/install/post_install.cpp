#include "install/post_install.h"

#include "install/child_process.h"
#include "install/install_worker.h"
#include "system/file_io.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/product.h"
#include "system/text.h"

namespace quillmar {

std::string read_version_record(const Path& folder) {
  const auto text = read_whole_file(folder / path_from_text(kVersionRecordFileName));
  if (!text || !is_valid_utf8(*text)) return {};
  return std::string(trim_white_space(*text));
}

Result<std::string> checkVersionRecord(const Path& folder, const std::string& expected) {
  std::string installed = read_version_record(folder);
  if (installed != expected) return Error{"installed version " + quoted_text(installed) + ", expected " + expected};
  return installed;
}

Result<void> runIntegrityCheck(const Path& folder) {
  ChildProcess child = QUILLMAR_TRY(
      ChildProcess::start(folder / path_from_text(kApplicationFileName), {"--verify-root", path_to_text(folder)}));
  const std::int32_t code = QUILLMAR_TRY(child.wait());
  if (code != 0) return Error{"installed release integrity check failed (" + exit_code_text(code) + ")"};
  return {};
}

void launchInstalled(const Path& folder, InstallerLog& log) {
  if (auto started = start_detached(folder / path_from_text(kApplicationFileName), folder); !started) {
    log.write_log("launch failed: " + started.error().message);
  }
}

}  // namespace quillmar
