#pragma once

#include "system/path.h"
#include "system/platform_handle.h"
#include "system/result.h"

namespace quillmar {

// The mark of a running installer on its download folder: a lock file inside the
// folder, held open for as long as the run uses it. The system lets go of it
// however the process ends, a crash or a killed process included, so a folder whose
// lock nobody holds was left by a run that is over.
class FolderLock {
 public:
  // Takes the lock of FOLDER, which must exist and be new. The error text is the
  // OS text.
  static Result<FolderLock> take(const Path& folder);

 private:
  explicit FolderLock(PlatformHandle file) : file_(std::move(file)) {}
  PlatformHandle file_;
};

// What the lock of a download folder left in the temporary folder says of its run.
enum class FolderLockState {
  free,     // the run that held it is over
  missing,  // no lock file: a run that ended before taking it, or one that takes none
  kept,     // held by a running installer, unreadable, or not this user's own real folder
};

FolderLockState folder_lock_state(const Path& folder);

// The name of the lock file inside a download folder.
inline constexpr char kFolderLockName[] = "quillmar-installer.lock";

}  // namespace quillmar
