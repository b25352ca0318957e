#include "package_body.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace quillmar::release_server {

std::shared_ptr<PackageBody> PackageBody::open(const std::filesystem::path& file, const std::string& kind,
                                               std::chrono::milliseconds slow_delay, std::string& problem) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    problem = file.string() + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    problem = file.string() + ": not a regular file";
    ::close(descriptor);
    return nullptr;
  }
  return std::shared_ptr<PackageBody>(
      new PackageBody(descriptor, static_cast<std::uint64_t>(status.st_size), kind, slow_delay));
}

PackageBody::PackageBody(int descriptor, std::uint64_t file_size, std::string kind,
                         std::chrono::milliseconds slow_delay)
    : descriptor_(descriptor),
      file_size_(file_size),
      announced_size_(file_size),
      kind_(std::move(kind)),
      slow_delay_(slow_delay) {
  if (kind_ == "short" && announced_size_ > 0) --announced_size_;
  if (kind_ == "long") ++announced_size_;
}

PackageBody::~PackageBody() { ::close(descriptor_); }

std::size_t PackageBody::read(std::uint64_t offset, char* buffer, std::size_t capacity) const {
  if (offset >= announced_size_) return 0;
  std::uint64_t end = std::min<std::uint64_t>(announced_size_, offset + capacity);
  // Cut off midway: the head promised every byte, the connection ends after half.
  if (kind_ == "cut") {
    const std::uint64_t cut_at = file_size_ / 2;
    if (offset >= cut_at) return 0;
    end = std::min(end, cut_at);
  }
  if (kind_ == "slow" && slow_delay_.count() > 0) std::this_thread::sleep_for(slow_delay_);

  std::size_t filled = 0;
  const std::size_t wanted = static_cast<std::size_t>(end - offset);
  while (filled < wanted && offset + filled < file_size_) {
    const std::size_t from_file = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, file_size_ - offset) - filled);
    const ssize_t got = ::pread(descriptor_, buffer + filled, from_file, static_cast<off_t>(offset + filled));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    filled += static_cast<std::size_t>(got);
  }
  // "long": one byte past the real package.
  if (kind_ == "long" && filled < wanted && offset + filled == file_size_) buffer[filled++] = 'Q';
  // "wrong": one byte in the middle differs, the size stays right.
  const std::uint64_t middle = file_size_ / 2;
  if (kind_ == "wrong" && file_size_ > 0 && middle >= offset && middle < offset + filled) {
    buffer[middle - offset] ^= 0x5a;
  }
  return filled;
}

}  // namespace quillmar::release_server
