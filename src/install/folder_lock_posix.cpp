#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "install/folder_lock.h"
#include "system/handle_posix.h"
#include "system/os_error.h"

namespace quillmar {

Result<FolderLock> FolderLock::take(const Path& folder) {
  // Opening a file and locking it are two steps, so the file is locked under a
  // name the sweep does not look at and only then renamed: a lock file that the
  // sweep can find is always already held.
  const Path pending = folder / Path(std::string(kFolderLockName) + ".new");
  PlatformHandle file = own_descriptor(::open(pending.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!file) return Error{last_os_error_text()};
  if (::flock(descriptor(file), LOCK_EX | LOCK_NB) != 0) return Error{last_os_error_text()};
  if (::rename(pending.c_str(), (folder / Path(kFolderLockName)).c_str()) != 0) return Error{last_os_error_text()};
  return FolderLock(std::move(file));
}

FolderLockState folder_lock_state(const Path& folder) {
  // In a temporary folder shared by every user, only a real folder of this user's
  // own is a candidate: never a link, never someone else's.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
    return FolderLockState::kept;
  }
  const PlatformHandle lock =
      own_descriptor(::open((folder / Path(kFolderLockName)).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!lock) return errno == ENOENT ? FolderLockState::missing : FolderLockState::kept;
  if (::flock(descriptor(lock), LOCK_EX | LOCK_NB) != 0) return FolderLockState::kept;  // a running installer
  return FolderLockState::free;
}

}  // namespace quillmar
