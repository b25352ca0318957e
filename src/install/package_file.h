#pragma once

#include <cstddef>
#include <cstdint>

#include "system/path.h"
#include "system/platform_handle.h"
#include "system/result.h"

namespace quillmar {

// The package file while it is downloaded: created or truncated, opened for
// writing, and shared for read, write and delete on Windows. On the host it is made
// executable by its owner only, because it is started as a program afterwards.
class PackageFile {
 public:
  static Result<PackageFile> create(const Path& path);

  // Writes all of the bytes; the error text is the OS text.
  Result<void> write(const std::uint8_t* bytes, std::size_t size);
  // Flushes what was written to the disk; the error text is the OS text.
  Result<void> flush();
  void close() { handle_.close(); }

 private:
  explicit PackageFile(PlatformHandle handle) : handle_(std::move(handle)) {}
  // Host only: moves what was written towards the disk while the download goes on
  // (Windows' own lazy writer does this without being asked).
  void start_write_back();

  PlatformHandle handle_;
  // Host only: bytes written, and how many of them the disk was asked to take.
  std::uint64_t written_ = 0;
  std::uint64_t written_back_ = 0;
};

}  // namespace quillmar
