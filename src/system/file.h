#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "system/path.h"
#include "system/platform_handle.h"
#include "system/result.h"

namespace quillmar {

// One open file. The installer opens files in three ways, named by Mode; each is a
// way to open this one type, with one way to fail: a Result whose error is the OS
// text. On Windows every mode shares the file for read, write and delete, because
// another process (a second installer, the setup package) may hold it meanwhile.
class File {
 public:
  enum class Mode {
    // Created when missing, existing content kept, every write at the end, also
    // when another installer appends to the same file: the installer log.
    kAppend,
    // Created, or emptied when it exists, and written from the start: the package
    // while it is downloaded. On the host only its owner may read, write and run
    // it, since it is started as a program afterwards.
    kWriteExecutable,
    // An existing file, read while another process writes it: the setup log.
    kReadShared,
  };

  static Result<File> open(const Path& path, Mode mode);

  // Writes all of BYTES.
  Result<void> write(const void* bytes, std::size_t size);
  Result<void> write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
  // Bytes read into BUFFER, 0 at the end of the file.
  Result<std::size_t> read(char* buffer, std::size_t capacity);
  // Moves to OFFSET bytes from the start.
  Result<void> seek(std::uint64_t offset);
  // Waits until what was written is on the disk.
  Result<void> flush();
  void close() { handle_.close(); }

 private:
  File(PlatformHandle handle, Mode mode) : handle_(std::move(handle)), mode_(mode) {}

  PlatformHandle handle_;
  Mode mode_;
  // Host only: bytes written, and how many of them the disk was asked to take while
  // a package is downloaded (Windows' own lazy writer does this without being asked).
  std::uint64_t written_ = 0;
  std::uint64_t written_back_ = 0;
};

}  // namespace quillmar
