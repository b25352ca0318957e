#include <aclapi.h>

#include <memory>
#include <vector>

#include "install/folder_lock.h"
#include "system/handle_win.h"
#include "system/os_error.h"
#include "system/paths.h"

namespace quillmar {
namespace {

struct LocalMemoryFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// One piece of the process token's information, in a buffer of the size it asks for.
std::vector<LONGLONG> token_information(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<LONGLONG> buffer((size + sizeof(LONGLONG) - 1) / sizeof(LONGLONG));
  if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size)) buffer.clear();
  return buffer;
}

// Whether OBJECT, an open file or folder, belongs to the user running the
// installer: its owner is the token's user, or the owner the token gives the files
// it makes (the Administrators group for an elevated run).
bool owned_by_current_user(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, LocalMemoryFreer> held_descriptor(descriptor);
  HANDLE opened = nullptr;
  if (owner == nullptr || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  const PlatformHandle token = own_handle(opened);
  const auto user = token_information(win_handle(token), TokenUser);
  if (!user.empty() && EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) return true;
  const auto default_owner = token_information(win_handle(token), TokenOwner);
  return !default_owner.empty() && EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(default_owner.data())->Owner);
}

// The attributes of what HANDLE is open on, or nothing.
std::optional<DWORD> attributes_of_open(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) return std::nullopt;
  return info.FileAttributes;
}

}  // namespace

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
  // Only a real folder of this user's own is a candidate: never a link, never
  // someone else's. The handle, opened on the folder itself rather than on what a
  // link there points to, answers both. The path's own attributes are asked as
  // well, since Wine 8 opens a Unix symbolic link as its target whatever the flags.
  const DWORD named = GetFileAttributesW(folder.c_str());
  const PlatformHandle held = own_handle(CreateFileW(
      folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const auto opened = held ? attributes_of_open(win_handle(held)) : std::nullopt;
  if (named == INVALID_FILE_ATTRIBUTES || (named & FILE_ATTRIBUTE_REPARSE_POINT) || !opened ||
      !(*opened & FILE_ATTRIBUTE_DIRECTORY) || (*opened & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !owned_by_current_user(win_handle(held))) {
    return FolderLockState::kept;
  }
  // A sharing violation means a running installer holds the lock. The lock is
  // opened as itself, never through a link, and with identification rights only,
  // so that a named pipe under its name could not act as this user. The handle is
  // closed on return, before the sweep removes the folder: Windows keeps a folder
  // whose file is still open.
  const PlatformHandle lock = own_handle(
      CreateFileW((folder / path_from_text(kFolderLockName)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                  nullptr));
  if (!lock) return GetLastError() == ERROR_FILE_NOT_FOUND ? FolderLockState::missing : FolderLockState::kept;
  // A link or anything but a plain file under the lock's name is not a lock of ours.
  const auto lock_attributes = attributes_of_open(win_handle(lock));
  if (!lock_attributes || (*lock_attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    return FolderLockState::kept;
  }
  return FolderLockState::free;
}

}  // namespace quillmar
