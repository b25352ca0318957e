#include "install/folder_lock.h"
#include "system/handle_win.h"
#include "system/os_error.h"
#include "system/paths.h"

namespace quillmar {

Result<FolderLock> FolderLock::take(const Path& folder) {
  // Created and held in one call: a file opened with no sharing cannot be opened
  // again, or deleted, until this handle closes.
  PlatformHandle file =
      own_handle(CreateFileW((folder / path_from_text(kFolderLockName)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Error{last_os_error_text()};
  return FolderLock(std::move(file));
}

FolderLockState folder_lock_state(const Path& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return FolderLockState::kept;
  }
  // A sharing violation means a running installer holds the lock. The handle is
  // closed on return, before the sweep removes the folder: Windows keeps a folder
  // whose file is still open.
  const PlatformHandle lock = own_handle(CreateFileW((folder / path_from_text(kFolderLockName)).c_str(), GENERIC_READ,
                                                     0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (lock) return FolderLockState::free;
  return GetLastError() == ERROR_FILE_NOT_FOUND ? FolderLockState::missing : FolderLockState::kept;
}

}  // namespace quillmar
