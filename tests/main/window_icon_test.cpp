#include <gtest/gtest.h>

#include <vector>

#include "main/window/window_icon.h"

namespace quillmar {
namespace {

// A PNG's width and height from its IHDR chunk, which is where a decoder reads them.
std::pair<std::uint32_t, std::uint32_t> png_size(std::span<const std::uint8_t> png) {
  auto big_endian = [&](std::size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) | (std::uint32_t{png[at + 2]} << 8) |
           png[at + 3];
  };
  return {big_endian(16), big_endian(20)};
}

bool is_png(std::span<const std::uint8_t> bytes) {
  static const std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return bytes.size() > 24 && std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) &&
         std::equal(bytes.begin() + 12, bytes.begin() + 16, "IHDR");
}

// The invariants start-up relies on, for the icon this build embeds.
TEST(EmbeddedIcon, HoldsTheSevenSizesAsPngAndGivesTheWindowIts32PixelImage) {
  const auto images = read_ico_directory(embedded_icon_ico());
  ASSERT_TRUE(images) << "Quillmar icon is a valid ICO file: " << images.error().message;
  ASSERT_FALSE(images.value().empty()) << "Quillmar icon has at least one image";

  std::vector<int> sizes;
  for (const IcoImage& image : images.value()) {
    sizes.push_back(image.width);
    EXPECT_EQ(image.width, image.height);
    ASSERT_TRUE(is_png(image.payload)) << "Quillmar icon image can be decoded (" << image.width << " px)";
    EXPECT_EQ(png_size(image.payload), (std::pair<std::uint32_t, std::uint32_t>(image.width, image.width)));
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 128, 256}));

  const auto chosen = window_icon_image(images.value());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(png_size(chosen->payload), (std::pair<std::uint32_t, std::uint32_t>(32, 32)))
      << "Quillmar window icon has valid dimensions";
}

std::vector<std::uint8_t> ico_with(const std::vector<std::pair<int, std::vector<std::uint8_t>>>& images) {
  std::vector<std::uint8_t> ico = {0, 0, 1, 0, static_cast<std::uint8_t>(images.size()), 0};
  std::size_t offset = 6 + 16 * images.size();
  for (const auto& [size, payload] : images) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    const auto at = static_cast<std::uint32_t>(offset);
    ico.insert(ico.end(), {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size), 0, 0, 1, 0, 32, 0,
                           static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8), 0, 0,
                           static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(at >> 8), 0, 0});
    offset += payload.size();
  }
  for (const auto& image : images) ico.insert(ico.end(), image.second.begin(), image.second.end());
  return ico;
}

TEST(IcoDirectory, WindowTakesTheFirst32PixelImageElseTheLast) {
  const auto with_32 = ico_with({{16, {1}}, {32, {2}}, {32, {3}}, {0, {4}}});
  const auto images = read_ico_directory(with_32);
  ASSERT_TRUE(images);
  EXPECT_EQ(images.value().back().width, 256);  // a stored 0 means 256
  EXPECT_EQ(window_icon_image(images.value())->payload[0], 2);

  const auto without_32 = ico_with({{16, {1}}, {48, {5}}});
  EXPECT_EQ(window_icon_image(read_ico_directory(without_32).value())->payload[0], 5);
  EXPECT_FALSE(window_icon_image({}));
}

TEST(IcoDirectory, RejectsTruncatedOrMisleadingFiles) {
  auto outside = ico_with({{32, {1, 2, 3}}});
  outside[6 + 8] = 200;  // the size now runs past the end
  auto cursor = ico_with({{32, {1}}});
  cursor[2] = 2;  // a cursor file, not an icon
  const std::vector<std::vector<std::uint8_t>> cases = {
      {}, {0, 0, 1}, {0, 0, 1, 0, 2, 0}, outside, cursor,
  };
  for (const auto& bytes : cases) EXPECT_FALSE(read_ico_directory(bytes)) << bytes.size();
}

}  // namespace
}  // namespace quillmar
