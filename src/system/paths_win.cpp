#include "system/paths.h"

#include <windows.h>

#include <vector>

#include "system/handle_win.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

std::optional<std::wstring> non_empty_variable(const wchar_t* name) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length);
  }
}

using GetTempPath2WFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W exists from Windows 11 and recent Windows 10 builds on; Wine 8
// lacks it, so it is looked up at run time and GetTempPathW stands in.
GetTempPath2WFunction find_get_temp_path2() {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<GetTempPath2WFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "GetTempPath2W")));
}

}  // namespace

std::optional<Path> local_app_data() {
  if (auto value = non_empty_variable(L"LOCALAPPDATA")) return Path(*value);
  return std::nullopt;
}

Path temp_folder() {
  static const GetTempPath2WFunction get_temp_path2 = find_get_temp_path2();
  wchar_t buffer[MAX_PATH + 2];
  const DWORD length = get_temp_path2 ? get_temp_path2(MAX_PATH + 2, buffer) : GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) {
    std::optional<Path> profile;
    if (auto value = non_empty_variable(L"USERPROFILE")) profile = Path(*value);
    return fallback_temp_folder(local_app_data(), profile);
  }
  return Path(std::wstring(buffer, length));
}

Path public_folder() { return Path(L"C:\\Users\\Public"); }

std::optional<Path> own_executable_path() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return Path(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

std::string native_to_text(const Path::string_type& text) { return wide_to_utf8(text); }

Path path_from_text(const std::string& text) { return Path(utf8_to_wide(text)); }

bool is_regular_file_following_links(const Path& path) {
  // Opening the file (without FILE_FLAG_OPEN_REPARSE_POINT) resolves symbolic links,
  // so the attributes read through the handle are those of the final target.
  // FILE_FLAG_BACKUP_SEMANTICS lets a directory open too, so it can be told apart.
  const PlatformHandle file =
      own_handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(win_handle(file), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace quillmar
