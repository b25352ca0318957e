#pragma once

// Windows-only companions of text.h: wchar_t is UTF-16 there, so the portable
// conversions apply unchanged. Included only by *_win.cpp files.

#include <string>
#include <string_view>

#include "system/text.h"

namespace quillmar {

inline std::string wide_to_utf8(std::wstring_view text) {
  return utf16_to_utf8_lossy(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

inline std::wstring utf8_to_wide(std::string_view text) {
  const std::u16string converted = utf8_to_utf16_lossy(text);
  return std::wstring(reinterpret_cast<const wchar_t*>(converted.data()), converted.size());
}

}  // namespace quillmar
