#include "system/registry.h"

#include <windows.h>

#include "system/handle_win.h"
#include "system/os_error.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

// Reads one value as text under the string rules: REG_SZ and REG_EXPAND_SZ as
// stored (no expansion), REG_MULTI_SZ with its strings joined by line feeds,
// trailing NULs removed. Any other type is not a string.
std::optional<std::wstring> read_string_value(HKEY key, const std::wstring& name) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read_size = size;
    const LSTATUS status =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read_size);
    // The value may change between the two calls; ask again for its new size.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return std::nullopt;
    data.resize(read_size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    if (type == REG_MULTI_SZ) {
      for (wchar_t& c : data) {
        if (c == L'\0') c = L'\n';
      }
    }
    return data;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<NativeString>> read_user_string_values(std::string_view key,
                                                                 std::initializer_list<std::string_view> names) {
  RegistryKeyHandle handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, utf8_to_wide(key).c_str(), 0, KEY_READ, handle.receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<NativeString> result;
  for (const std::string_view name : names) {
    auto value = read_string_value(handle.get(), utf8_to_wide(name));
    if (!value) return std::nullopt;
    result.push_back(std::move(*value));
  }
  return result;
}

Result<void> write_user_string_value(std::string_view key, std::string_view name, const NativeString& value) {
  RegistryKeyHandle handle;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, utf8_to_wide(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                   handle.receive(), nullptr);
  if (status != ERROR_SUCCESS) return Error{os_error_text(status)};
  const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(handle.get(), utf8_to_wide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), size);
  if (status != ERROR_SUCCESS) return Error{os_error_text(status)};
  return {};
}

Result<void> delete_user_key(std::string_view key) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, utf8_to_wide(key).c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return Error{os_error_text(status)};
  return {};
}

}  // namespace quillmar
