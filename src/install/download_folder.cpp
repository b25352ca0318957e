#include "install/download_folder.h"

#include <algorithm>
#include <chrono>
#include <string_view>

#include "system/file_system.h"
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
bool unchanged_for(const Path& folder, std::chrono::system_clock::duration age) {
  const auto cutoff = std::chrono::system_clock::now() - age;
  const auto written_before_cutoff = [&](const Path& path) {
    const auto written = last_write_time(path);
    return written && *written <= cutoff;
  };
  if (!written_before_cutoff(folder)) return false;
  const auto entries = folder_entries(folder);
  return entries && std::all_of(entries.value().begin(), entries.value().end(), written_before_cutoff);
}

bool is_abandoned(const Path& folder) {
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
  const Path temporary = temp_folder();
  // An empty folder would put the package wherever the installer happens to run.
  if (temporary.empty()) return Error{"the user's temporary folder is not known"};
  Path path = temporary / path_from_text(std::string(kFolderPrefix) + digits);
  QUILLMAR_TRY(create_folder_tree(path));
  auto lock = FolderLock::take(path);
  if (!lock) {
    remove_tree(path);
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
  remove_tree(path_);
}

void remove_abandoned_download_folders() {
  const Path temporary = temp_folder();
  if (temporary.empty()) return;  // never the folder the installer happens to run in
  const auto entries = folder_entries(temporary);
  if (!entries) return;
  for (const Path& entry : entries.value()) {
    if (is_download_folder_name(path_to_text(entry.filename())) && is_abandoned(entry)) remove_tree(entry);
  }
}

}  // namespace quillmar
