#include "install/download_folder.h"

#include <chrono>
#include <string_view>
#include <system_error>

#include "install/package_file.h"
#include "system/paths.h"
#include "system/random.h"

namespace quillmar {
namespace {

constexpr std::string_view kFolderPrefix = "quillmar-installer-";
constexpr std::size_t kRandomDigits = 16;
// A folder without a lock is either being made by a run that is about to take its
// lock, or was left by a run that never took one; only the first still changes.
constexpr auto kLocklessFolderAge = std::chrono::hours(1);

bool is_download_folder_name(std::string_view name) {
  if (name.size() != kFolderPrefix.size() + kRandomDigits || name.substr(0, kFolderPrefix.size()) != kFolderPrefix) {
    return false;
  }
  return name.find_first_not_of("0123456789abcdef", kFolderPrefix.size()) == std::string_view::npos;
}

// Whether FOLDER and everything directly inside it went unwritten for AGE. A run
// that takes no lock still writes its package, so its folder keeps changing.
bool unchanged_for(const std::filesystem::path& folder, std::filesystem::file_time_type::duration age) {
  const auto cutoff = std::filesystem::file_time_type::clock::now() - age;
  std::error_code error;
  if (std::filesystem::last_write_time(folder, error) > cutoff || error) return false;
  std::filesystem::directory_iterator entries(folder, error);
  for (const auto end = std::filesystem::directory_iterator(); !error && entries != end; entries.increment(error)) {
    if (entries->last_write_time(error) > cutoff || error) return false;
  }
  return !error;
}

bool is_abandoned(const std::filesystem::path& folder) {
  switch (folder_lock_state(folder)) {
    case FolderLockState::free:
      return true;
    case FolderLockState::missing:
      return unchanged_for(folder, kLocklessFolderAge);
    case FolderLockState::kept:
      break;
  }
  return false;
}

}  // namespace

Result<DownloadFolder> DownloadFolder::create() {
  const std::string digits = QUILLMAR_TRY(random_hex(kRandomDigits / 2));
  const std::filesystem::path temporary = temp_folder();
  // An empty folder would put the package wherever the installer happens to run.
  if (temporary.empty()) return Error{"the user's temporary folder is not known"};
  std::filesystem::path path = temporary / path_from_text(std::string(kFolderPrefix) + digits);
  QUILLMAR_TRY(create_folder_tree(path));
  auto lock = FolderLock::take(path);
  if (!lock) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    return lock.error();
  }
  return DownloadFolder(std::move(path), std::move(lock).value());
}

DownloadFolder::DownloadFolder(DownloadFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(std::move(other.lock_)) {
  other.path_.clear();
  other.lock_.reset();
}

DownloadFolder::~DownloadFolder() {
  if (path_.empty()) return;
  // The lock goes first: Windows keeps a folder whose file is still open.
  lock_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void remove_abandoned_download_folders() {
  const std::filesystem::path temporary = temp_folder();
  if (temporary.empty()) return;  // never the folder the installer happens to run in
  std::error_code error;
  std::filesystem::directory_iterator entries(temporary, error);
  for (const auto end = std::filesystem::directory_iterator(); !error && entries != end; entries.increment(error)) {
    if (!is_download_folder_name(path_to_text(entries->path().filename())) || !is_abandoned(entries->path())) continue;
    std::error_code ignored;
    std::filesystem::remove_all(entries->path(), ignored);
  }
}

}  // namespace quillmar
