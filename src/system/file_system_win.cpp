#include "system/file_system.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "system/file_time.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {
namespace {

DWORD attributes_of(const Path& path) { return GetFileAttributesW(path.c_str()); }

bool is_link(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

std::chrono::system_clock::time_point from_file_time(const FILETIME& time) {
  return time_from_file_time_steps((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

// Closes a FindFirstFileW search however its loop ends.
struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};
using Search = std::unique_ptr<std::remove_pointer_t<HANDLE>, SearchCloser>;

// MinGW-w64 declares these only for a _WIN32_WINNT that no build can name (it
// compares the version with an NTDDI value); the values are Windows' own.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

// How deep a tree removal goes. A download folder holds one level; a tree deeper
// than this was not made by the installer, and recursing without end would end the
// process on its stack instead.
constexpr int kRemovalDepthLimit = 64;

// The "\\?\" form of PATH, made full first: the system passes it on without
// parsing, so it reaches paths longer than MAX_PATH.
std::wstring long_path(const Path& path) {
  const std::wstring& text = path.native();
  if (text.starts_with(L"\\\\?\\") || text.starts_with(L"\\\\.\\")) return text;
  const DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (size == 0) return text;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(text.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return text;
  full.resize(written);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// One entry of a tree being removed, opened as itself: a junction or a symbolic
// link is opened as the link, never as what it points to. A folder stays open
// without delete sharing while what it holds is removed, so nobody can rename it
// or put something else under its name meanwhile; the paths of its entries, built
// on its name, keep leading into it.
PlatformHandle open_as_itself(const std::wstring& path) {
  return own_handle(CreateFileW(path.c_str(),
                                DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// A name in a folder and what the listing said of it.
struct Listed {
  std::wstring name;
  DWORD attributes = 0;
};

// What the open FOLDER holds, "." and ".." left out, read through the handle
// itself, so the listing is of the folder that is held and not of whatever its
// path names by now.
std::optional<std::vector<Listed>> list_open_folder(HANDLE folder) {
  std::vector<Listed> listed;
  // LONGLONG elements keep the records' 8-byte alignment.
  std::vector<LONGLONG> buffer(std::size_t{8} * 1024);
  auto kind = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(folder, kind, buffer.data(),
                                      static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
      if (GetLastError() == ERROR_NO_MORE_FILES) return listed;
      return std::nullopt;
    }
    kind = FileIdBothDirectoryInfo;
    const auto* record = reinterpret_cast<const std::byte*>(buffer.data());
    for (;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
      const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") listed.push_back({std::wstring(name), entry->FileAttributes});
      if (entry->NextEntryOffset == 0) break;
      record += entry->NextEntryOffset;
    }
  }
}

// Deletes what ENTRY is open on, through the handle: a link goes as a link.
bool delete_open_entry(HANDLE entry, DWORD attributes) {
  // Windows 10 1809 and later unlink it at once, read-only or not.
  FILE_DISPOSITION_INFO_EX at_once{kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly};
  if (SetFileInformationByHandle(entry, kFileDispositionInfoEx, &at_once, sizeof at_once)) return true;
  // Older systems and Wine 8 know only the plain form, which refuses a read-only
  // entry and removes the entry when its last handle closes.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY;
    FILE_BASIC_INFO basic{};  // times of 0 stay as they are
    basic.FileAttributes = (attributes & kSettable) != 0 ? (attributes & kSettable) : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic)) return false;
  }
  FILE_DISPOSITION_INFO on_close{TRUE};
  return SetFileInformationByHandle(entry, FileDispositionInfo, &on_close, sizeof on_close) != 0;
}

// Removes the entry at PATH (a "\\?\" path) with everything inside it.
// LISTED_AS_LINK is what its folder's listing, or for the top a look at its path,
// said of it. The handle decides: a reparse point is deleted as itself, so a
// junction put in place of a folder after the listing is removed as a link and its
// target is never entered. A link the system still opened as its target, which
// Windows never does with FILE_FLAG_OPEN_REPARSE_POINT but Wine 8 does with a Unix
// symbolic link, is left alone: deleting through that handle would reach the target.
bool remove_entry(const std::wstring& path, bool listed_as_link, int depth) {
  const PlatformHandle entry = open_as_itself(path);
  if (!entry) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  FILE_ATTRIBUTE_TAG_INFO opened{};
  if (!GetFileInformationByHandleEx(win_handle(entry), FileAttributeTagInfo, &opened, sizeof opened)) return false;
  const bool link = is_link(opened.FileAttributes);
  if (listed_as_link && !link) return false;
  if (!link && (opened.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    if (depth >= kRemovalDepthLimit) return false;
    const auto listed = list_open_folder(win_handle(entry));
    if (!listed) return false;
    bool emptied = true;
    for (const Listed& inside : *listed) {
      emptied = remove_entry(path + L"\\" + inside.name, is_link(inside.attributes), depth + 1) && emptied;
    }
    if (!emptied) return false;
  }
  return delete_open_entry(win_handle(entry), opened.FileAttributes);
}

}  // namespace

bool path_exists(const Path& path) { return attributes_of(path) != INVALID_FILE_ATTRIBUTES; }

bool is_folder(const Path& path) {
  const DWORD attributes = attributes_of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Result<void> create_folder_tree(const Path& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr)) return {};
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    if (is_folder(folder)) return {};
    return Error{os_error_text(error)};
  }
  if (error != ERROR_PATH_NOT_FOUND || !folder.has_relative_path() || folder.parent_path() == folder) {
    return Error{os_error_text(error)};
  }
  QUILLMAR_TRY(create_folder_tree(folder.parent_path()));
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return {};
  return Error{last_os_error_text()};
}

Result<std::vector<Path>> folder_entries(const Path& folder) {
  std::vector<Path> entries;
  WIN32_FIND_DATAW found{};
  const HANDLE first =
      FindFirstFileExW((folder / Path(L"*")).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (first == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return entries;  // not even "." : an empty drive root
    return Error{os_error_text(error)};
  }
  const Search search(first);
  do {
    const std::wstring_view name(found.cFileName);
    if (name != L"." && name != L"..") entries.push_back(folder / Path(found.cFileName));
  } while (FindNextFileW(search.get(), &found));
  if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) return Error{os_error_text(error)};
  return entries;
}

std::optional<std::chrono::system_clock::time_point> last_write_time(const Path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return from_file_time(data.ftLastWriteTime);
}

bool remove_file(const Path& path) { return DeleteFileW(path.c_str()) != 0; }

bool remove_tree(const Path& path) {
  const std::wstring top = long_path(path);
  const DWORD attributes = GetFileAttributesW(top.c_str());
  return remove_entry(top, attributes != INVALID_FILE_ATTRIBUTES && is_link(attributes), 0);
}

}  // namespace quillmar
