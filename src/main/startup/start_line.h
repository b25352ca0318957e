#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// The first line every run writes to the installer log:
// "Quillmar installer 1.5.13 (windows_x86_64) → <base URL>", the arrow being U+2192.
std::string start_line(std::string_view base_url);

}  // namespace quillmar
