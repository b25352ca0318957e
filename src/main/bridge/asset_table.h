#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillmar {

// One file of the page, compiled into the executable.
struct Asset {
  std::string_view path;  // relative, e.g. "index.html" or "assets/icons/x.svg"
  std::string_view content_type;
  std::span<const unsigned char> bytes;
};

// The page's files in table order, generated from web/ by the build
// (cmake/asset_table.cmake). Each executable links exactly one table.
std::span<const Asset> embedded_assets();

}  // namespace quillmar
