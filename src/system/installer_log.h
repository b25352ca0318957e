#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "system/file.h"
#include "system/path.h"

namespace quillmar {

// The installer log: append-only UTF-8 text, one message per line, no timestamp or
// level. It may have no file at all (the folder or file could not be opened); every
// write is then a no-op. Shared by the event loop and every worker thread.
class InstallerLog {
 public:
  // Opens "installer.log" in FOLDER, creating the folder and its missing parents.
  // Never fails: a log that cannot be opened is a log without a file.
  static std::shared_ptr<InstallerLog> open_in(const Path& folder);

  // A log that writes nothing, for callers that have no log.
  static std::shared_ptr<InstallerLog> without_file();

  explicit InstallerLog(std::optional<File> file) : file_(std::move(file)) {}

  // Appends TEXT, as one line of valid UTF-8 (single_line_text), and a line feed as
  // one write under the log's mutex, so lines from different threads never
  // interleave. Write errors are ignored.
  void write_log(std::string_view text);

  bool has_file() const { return file_.has_value(); }

 private:
  std::mutex mutex_;
  std::optional<File> file_;
};

}  // namespace quillmar
