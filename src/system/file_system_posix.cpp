#include "system/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "system/os_error.h"

namespace quillmar {
namespace {

std::filesystem::path standard(const Path& path) { return std::filesystem::path(path.native()); }

}  // namespace

bool path_exists(const Path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

bool is_folder(const Path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Folders are made private to the user: the download folder sits in /tmp, which the
// whole machine shares.
Result<void> create_folder_tree(const Path& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0) return {};
  const int error = errno;
  if (error == EEXIST) {
    if (is_folder(folder)) return {};
    return Error{os_error_text(EEXIST)};
  }
  if (error != ENOENT || !folder.has_relative_path() || folder.parent_path() == folder) {
    return Error{os_error_text(static_cast<unsigned long>(error))};
  }
  QUILLMAR_TRY(create_folder_tree(folder.parent_path()));
  if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return {};
  return Error{last_os_error_text()};
}

Result<std::vector<Path>> folder_entries(const Path& folder) {
  std::vector<Path> entries;
  std::error_code error;
  std::filesystem::directory_iterator entry(standard(folder), error);
  for (const std::filesystem::directory_iterator end; !error && entry != end; entry.increment(error)) {
    entries.emplace_back(entry->path().native());
  }
  if (error) return Error{error.message()};
  return entries;
}

std::optional<std::chrono::system_clock::time_point> last_write_time(const Path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
}

bool remove_file(const Path& path) { return ::unlink(path.c_str()) == 0; }

bool remove_tree(const Path& path) {
  std::error_code error;
  std::filesystem::remove_all(standard(path), error);
  return !error;
}

}  // namespace quillmar
