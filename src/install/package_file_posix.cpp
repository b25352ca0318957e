#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "install/package_file.h"
#include "system/handle_posix.h"
#include "system/os_error.h"

namespace quillmar {
namespace {

// How many written bytes are handed to the disk at a time while downloading.
constexpr std::uint64_t kWriteBackStep = std::uint64_t{8} * 1024 * 1024;

}  // namespace

Result<PackageFile> PackageFile::create(const Path& path) {
  PlatformHandle file = own_descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700));
  if (!file) return Error{last_os_error_text()};
  return PackageFile(std::move(file));
}

Result<void> PackageFile::write(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor(handle_), bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Error{last_os_error_text()};
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
    written_ += static_cast<std::uint64_t>(written);
  }
  if (written_ - written_back_ >= kWriteBackStep) start_write_back();
  return {};
}

void PackageFile::start_write_back() {
  const int fd = descriptor(handle_);
  // Hands the newest bytes to the disk without waiting, then waits for those handed
  // over last time, which have had a whole step's time to get there. The disk so
  // keeps pace with the download: dirty memory stays near two steps, and the final
  // flush has little left to do. Failures here are not the download's; the flush
  // still reports any real one.
  sync_file_range(fd, static_cast<off_t>(written_back_), static_cast<off_t>(written_ - written_back_),
                  SYNC_FILE_RANGE_WRITE);
  if (written_back_ > 0) {
    sync_file_range(fd, 0, static_cast<off_t>(written_back_),
                    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
  }
  written_back_ = written_;
}

Result<void> PackageFile::flush() {
  if (fsync(descriptor(handle_)) != 0) return Error{last_os_error_text()};
  return {};
}

}  // namespace quillmar
