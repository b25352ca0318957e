#include <windows.h>

#include <vector>

#include "support/variables.h"
#include "system/wide_text_win.h"

namespace quillmar::testing {

std::optional<std::filesystem::path::string_type> get_variable(const std::string& name) {
  const std::wstring wide_name = utf8_to_wide(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), buffer.data(), size);
  return std::wstring(buffer.data(), length);
}

void set_variable(const std::string& name, const std::optional<std::filesystem::path::string_type>& value) {
  SetEnvironmentVariableW(utf8_to_wide(name).c_str(), value ? value->c_str() : nullptr);
}

}  // namespace quillmar::testing
