#include "system/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/handle_posix.h"
#include "system/os_error.h"

namespace quillmar {
namespace {

// How many written bytes of a package are handed to the disk at a time.
constexpr std::uint64_t kWriteBackStep = std::uint64_t{8} * 1024 * 1024;

int open_flags(File::Mode mode) {
  switch (mode) {
    case File::Mode::kAppend:
      return O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
    case File::Mode::kWriteExecutable:
      return O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    case File::Mode::kReadShared:
      return O_RDONLY | O_CLOEXEC;
  }
  return O_RDONLY | O_CLOEXEC;
}

// A log others may read; a package its owner alone may read, write and run.
mode_t permissions(File::Mode mode) { return mode == File::Mode::kWriteExecutable ? 0700 : 0644; }

// Hands the bytes from WRITTEN_BACK to WRITTEN to the disk without waiting, then
// waits for those before WRITTEN_BACK, handed over last time, which have had a
// whole step's time to get there. The disk so keeps pace with the download: dirty
// memory stays near two steps, and the final flush has little left to do. Failures
// here are not the download's; the flush still reports any real one.
void start_write_back(int fd, std::uint64_t written_back, std::uint64_t written) {
  sync_file_range(fd, static_cast<off_t>(written_back), static_cast<off_t>(written - written_back),
                  SYNC_FILE_RANGE_WRITE);
  if (written_back > 0) {
    sync_file_range(fd, 0, static_cast<off_t>(written_back),
                    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
  }
}

}  // namespace

Result<File> File::open(const Path& path, Mode mode) {
  PlatformHandle file = own_descriptor(::open(path.c_str(), open_flags(mode), permissions(mode)));
  if (!file) return Error{last_os_error_text()};
  return File(std::move(file), mode);
}

Result<void> File::write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(descriptor(handle_), next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Error{last_os_error_text()};
    next += written;
    size -= static_cast<std::size_t>(written);
    written_ += static_cast<std::uint64_t>(written);
  }
  if (mode_ == Mode::kWriteExecutable && written_ - written_back_ >= kWriteBackStep) {
    start_write_back(descriptor(handle_), written_back_, written_);
    written_back_ = written_;
  }
  return {};
}

Result<std::size_t> File::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t count = ::read(descriptor(handle_), buffer, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) return Error{last_os_error_text()};
  }
}

Result<void> File::seek(std::uint64_t offset) {
  if (lseek(descriptor(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) return Error{last_os_error_text()};
  return {};
}

Result<void> File::flush() {
  if (fsync(descriptor(handle_)) != 0) return Error{last_os_error_text()};
  return {};
}

}  // namespace quillmar
