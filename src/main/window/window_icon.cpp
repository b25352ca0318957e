#include "main/window/window_icon.h"

namespace quillmar {
namespace {

unsigned read_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8);
}

std::uint32_t read_u32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(read_u16(bytes, at)) | (static_cast<std::uint32_t>(read_u16(bytes, at + 2)) << 16);
}

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;

}  // namespace

Result<std::vector<IcoImage>> read_ico_directory(std::span<const std::uint8_t> ico) {
  if (ico.size() < kHeaderSize) return Error{"the file is shorter than an ICO header"};
  if (read_u16(ico, 0) != 0 || read_u16(ico, 2) != 1) return Error{"the header is not that of an icon"};
  const std::size_t count = read_u16(ico, 4);
  if (ico.size() < kHeaderSize + count * kEntrySize) return Error{"the directory runs past the end of the file"};

  std::vector<IcoImage> images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kHeaderSize + i * kEntrySize;
    const std::uint64_t size = read_u32(ico, entry + 8);
    const std::uint64_t offset = read_u32(ico, entry + 12);
    if (size == 0 || offset + size > ico.size()) return Error{"an image lies outside the file"};
    // A stored 0 means 256: the directory has one byte per dimension.
    const int width = ico[entry] == 0 ? 256 : ico[entry];
    const int height = ico[entry + 1] == 0 ? 256 : ico[entry + 1];
    images.push_back({width, height, ico.subspan(offset, size)});
  }
  return images;
}

std::optional<IcoImage> window_icon_image(const std::vector<IcoImage>& images) {
  for (const IcoImage& image : images) {
    if (image.width == 32) return image;
  }
  if (images.empty()) return std::nullopt;
  return images.back();
}

}  // namespace quillmar
