#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace quillmar {

// A file opened for appending, created when missing, existing content kept. Other
// processes may read, write and delete it meanwhile: two installers share one log.
class AppendFile {
 public:
  static std::optional<AppendFile> open(const std::filesystem::path& path);

  AppendFile(AppendFile&& other) noexcept;
  AppendFile& operator=(AppendFile&& other) noexcept;
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;
  ~AppendFile();

  // Appends all of BYTES at the end of the file; false if any of it was not written.
  bool append(std::string_view bytes);

 private:
  explicit AppendFile(std::intptr_t handle) : handle_(handle) {}
  void close();

  // A file descriptor on the host, a HANDLE on Windows; kNone when closed.
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
};

}  // namespace quillmar
