#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "system/result.h"

namespace quillmar {

// One image of an ICO file: its size from the directory and its stored payload (a
// PNG, or a BMP without its file header).
struct IcoImage {
  int width = 0;
  int height = 0;
  std::span<const std::uint8_t> payload;
};

// The images listed in an ICO file's directory, in directory order. Fails on a
// truncated file, a wrong header, or an entry that points outside the file.
Result<std::vector<IcoImage>> read_ico_directory(std::span<const std::uint8_t> ico);

// The image the window shows: the first one 32 pixels wide, else the last one.
std::optional<IcoImage> window_icon_image(const std::vector<IcoImage>& images);

// The installer's icon (seven sizes, 16 to 256 pixels), compiled in by the build.
std::span<const std::uint8_t> embedded_icon_ico();

}  // namespace quillmar
