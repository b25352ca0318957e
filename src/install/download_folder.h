#pragma once

#include <optional>

#include "install/folder_lock.h"
#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// The private folder of one run, "quillmar-installer-" and 16 random hex digits in
// the temporary folder, removed with everything in it when the owner goes away, so
// that no ending of a run leaves a package behind. It carries the run's lock, so
// that a later start-up can tell it from a folder whose run is over.
class DownloadFolder {
 public:
  static Result<DownloadFolder> create();

  DownloadFolder(DownloadFolder&& other) noexcept;
  DownloadFolder& operator=(DownloadFolder&&) = delete;
  DownloadFolder(const DownloadFolder&) = delete;
  DownloadFolder& operator=(const DownloadFolder&) = delete;
  ~DownloadFolder();

  const Path& path() const { return path_; }

 private:
  DownloadFolder(Path path, FolderLock lock) : path_(std::move(path)), lock_(std::move(lock)) {}
  Path path_;
  std::optional<FolderLock> lock_;
};

// Removes the download folders in the temporary folder that earlier runs left
// behind (a crash, a power cut, a process ended from outside): those whose lock no
// running installer holds, and those without a lock that have not changed for an
// hour. Links, other names and other users' folders stay.
void remove_abandoned_download_folders();

}  // namespace quillmar
