#pragma once

#include <string_view>

#include "system/path.h"
#include "system/platform_handle.h"
#include "system/result.h"

namespace quillmar {

// A file opened for appending, created when missing, existing content kept. Other
// processes may read, write and delete it meanwhile: two installers share one log.
class AppendFile {
 public:
  // The OS text when the file cannot be opened.
  static Result<AppendFile> open(const Path& path);

  // Appends all of BYTES at the end of the file; the OS text when any of it was not
  // written.
  Result<void> append(std::string_view bytes);

 private:
  explicit AppendFile(PlatformHandle handle) : handle_(std::move(handle)) {}

  PlatformHandle handle_;
};

}  // namespace quillmar
