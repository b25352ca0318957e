#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillmar {

// A file opened for reading while another process writes it: shared for read, write
// and delete on Windows (a plain descriptor on the host, where sharing is the rule).
class SharedReadFile {
 public:
  static std::optional<SharedReadFile> open(const std::filesystem::path& path);

  SharedReadFile(SharedReadFile&& other) noexcept;
  SharedReadFile& operator=(SharedReadFile&& other) noexcept;
  SharedReadFile(const SharedReadFile&) = delete;
  SharedReadFile& operator=(const SharedReadFile&) = delete;
  ~SharedReadFile();

  bool seek(std::uint64_t offset);
  // Bytes read into BUFFER, 0 at the end of the file; nothing on a read error.
  std::optional<std::size_t> read(char* buffer, std::size_t capacity);

 private:
  explicit SharedReadFile(std::intptr_t handle) : handle_(handle) {}
  void close();

  // A file descriptor on the host, a HANDLE on Windows; kNone when closed.
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
};

}  // namespace quillmar
