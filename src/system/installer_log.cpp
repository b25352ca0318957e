#include "system/installer_log.h"

#include <string>

#include "system/file_system.h"
#include "system/paths.h"
#include "system/text.h"

namespace quillmar {

std::shared_ptr<InstallerLog> InstallerLog::open_in(const Path& folder) {
  if (!create_folder_tree(folder)) return without_file();
  auto file = File::open(folder / path_from_text("installer.log"), File::Mode::kAppend);
  if (!file) return without_file();
  return std::make_shared<InstallerLog>(std::move(file).value());
}

std::shared_ptr<InstallerLog> InstallerLog::without_file() { return std::make_shared<InstallerLog>(std::nullopt); }

void InstallerLog::write_log(std::string_view text) {
  // Messages carry text from outside (a refused certificate's issuer, OS messages,
  // paths): cleaned here, each stays one line of valid UTF-8 whoever made it.
  std::string line = single_line_text(text);
  line += '\n';
  std::lock_guard lock(mutex_);
  // A line that cannot be written is dropped: the log is where failures are
  // reported, so there is nowhere left to report its own.
  if (file_) (void)file_->write(line);
}

}  // namespace quillmar
