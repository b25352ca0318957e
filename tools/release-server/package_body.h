#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quillmar::release_server {

// A setup package served straight from its file, with the faults the server can
// inject applied on the fly. Pieces are read at their offset when the HTTP layer
// asks for them, so serving a 2 GiB package costs one piece of memory, not two
// gigabytes, and the first byte leaves without reading the whole file first.
class PackageBody {
 public:
  // kind: "", "short", "long", "wrong", "slow" or "cut". Null when the file cannot
  // be opened or sized; `problem` then says why.
  static std::shared_ptr<PackageBody> open(const std::filesystem::path& file, const std::string& kind,
                                           std::chrono::milliseconds slow_delay, std::string& problem);
  ~PackageBody();
  PackageBody(const PackageBody&) = delete;
  PackageBody& operator=(const PackageBody&) = delete;

  // What the response head announces.
  std::uint64_t announced_size() const { return announced_size_; }

  // Fills `buffer` with up to `capacity` bytes from `offset` and returns the count.
  // Zero means the body ends here, on purpose ("cut") or because reading failed;
  // the caller then drops the connection short of the announced size.
  std::size_t read(std::uint64_t offset, char* buffer, std::size_t capacity) const;

  // How much the HTTP layer should be offered per call.
  std::size_t piece_size() const { return kind_ == "slow" ? 16384 : 1048576; }

 private:
  PackageBody(int descriptor, std::uint64_t file_size, std::string kind, std::chrono::milliseconds slow_delay);

  int descriptor_;
  std::uint64_t file_size_;
  std::uint64_t announced_size_;
  std::string kind_;
  std::chrono::milliseconds slow_delay_;
};

}  // namespace quillmar::release_server
