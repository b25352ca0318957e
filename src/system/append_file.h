#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "system/platform_handle.h"
#include <string_view>

namespace quillmar {

// A file opened for appending, created when missing, existing content kept. Other
// processes may read, write and delete it meanwhile: two installers share one log.
class AppendFile {
 public:
  static std::optional<AppendFile> open(const std::filesystem::path& path);


  // Appends all of BYTES at the end of the file; false if any of it was not written.
  bool append(std::string_view bytes);

 private:
  explicit AppendFile(PlatformHandle handle) : handle_(std::move(handle)) {}

  PlatformHandle handle_;
};

}  // namespace quillmar
