#include "system/file_system.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <ratio>
#include <string_view>
#include <type_traits>

#include "system/os_error.h"

namespace quillmar {
namespace {

DWORD attributes_of(const Path& path) { return GetFileAttributesW(path.c_str()); }

bool is_link(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// FILETIME counts 100 ns steps from 1601; the system clock counts from 1970.
std::chrono::system_clock::time_point from_file_time(const FILETIME& time) {
  constexpr std::uint64_t kSteps1601To1970 = 116'444'736'000'000'000ULL;
  const std::uint64_t steps = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  const std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>> since_1970(
      static_cast<std::int64_t>(steps - kSteps1601To1970));
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(since_1970));
}

// Closes a FindFirstFileW search however its loop ends.
struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};
using Search = std::unique_ptr<std::remove_pointer_t<HANDLE>, SearchCloser>;

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
  const DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return remove_file(path);
  bool removed = true;
  if (!is_link(attributes)) {
    const auto entries = folder_entries(path);
    if (!entries) return false;
    for (const Path& entry : entries.value()) removed = remove_tree(entry) && removed;
  }
  return RemoveDirectoryW(path.c_str()) != 0 && removed;
}

}  // namespace quillmar
