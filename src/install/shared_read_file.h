#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "system/path.h"
#include "system/platform_handle.h"
#include "system/result.h"

namespace quillmar {

// A file opened for reading while another process writes it: shared for read, write
// and delete on Windows (a plain descriptor on the host, where sharing is the rule).
class SharedReadFile {
 public:
  // The OS text when the file cannot be opened.
  static Result<SharedReadFile> open(const Path& path);

  // Moves to OFFSET bytes from the start; the OS text when the system refuses.
  Result<void> seek(std::uint64_t offset);
  // Bytes read into BUFFER, 0 at the end of the file; nothing on a read error.
  std::optional<std::size_t> read(char* buffer, std::size_t capacity);

 private:
  explicit SharedReadFile(PlatformHandle handle) : handle_(std::move(handle)) {}

  PlatformHandle handle_;
};

}  // namespace quillmar
