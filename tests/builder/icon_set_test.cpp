#include "builder/icon_set.hpp"

#include <gtest/gtest.h>

#include <atomic>

#include "support/image_pixels.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using platform::Image;
using testing_support::filledImage;
using testing_support::pixelAt;

constexpr std::uint32_t greenPixel = 0xff00ff00u;
const platform::Color green{0, 1, 0, 1};

// Only the shape's alpha counts, not its colour or size; the real shape leaves the corners clear.
TEST(ComposeIcon, ShapeGivesTheColourInProportionToItsAlpha) {
  auto square = builder::composeIcon(filledImage(64, 64, 0.3, 0.1, 0.9), green, std::nullopt);
  ASSERT_EQ(testing_support::sizeOf(square), "1024x1024");
  EXPECT_EQ(pixelAt(*square, 0, 0), greenPixel);
  EXPECT_EQ(pixelAt(*square, 1023, 1023), greenPixel);
  const auto half = pixelAt(*builder::composeIcon(filledImage(8, 8, 1, 1, 1, 0.5), green, std::nullopt), 10, 10);
  EXPECT_NEAR(half >> 24, 128, 1);
  EXPECT_NEAR((half >> 8) & 0xff, 128, 1);
  auto rounded = builder::composeIcon(*Image::load(fs::path(NIMBREL_SOURCE_DIR) / "resources/images/bgtemplate.png"),
                                      green, std::nullopt);
  EXPECT_EQ(pixelAt(*rounded, 0, 0), 0u);
  EXPECT_EQ(pixelAt(*rounded, 1023, 1023), 0u);
}

TEST(ComposeIcon, WidePictureIsStretchedIntoTheMiddleSquare) {
  auto halves = filledImage(1000, 500, 1, 0, 0);  // left half red, right half blue
  cairo_t* cr = cairo_create(halves.surface());
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, 500, 0, 500, 500);
  cairo_fill(cr);
  cairo_destroy(cr);
  auto master = builder::composeIcon(filledImage(16, 16, 1, 1, 1), green, halves);
  const std::uint32_t red = 0xffff0000u, blue = 0xff0000ffu;
  // The square spans 187...836 both ways; the picture's halves meet at 512.
  for (auto [x, y, expected] : {std::tuple{187, 187, red}, {500, 836, red}, {836, 187, blue}, {525, 500, blue},
                                {186, 500, greenPixel}, {500, 837, greenPixel}})
    EXPECT_EQ(pixelAt(*master, x, y), expected) << x << "," << y;
}

TEST(PngData, KeepsColourAndPartialAlpha) {
  auto image = filledImage(8, 4, 0.2, 0.6, 1.0, 0.5);
  auto decoded = Image::decode(builder::pngData(image));
  ASSERT_EQ(testing_support::sizeOf(decoded), "8x4");
  for (int shift : {24, 16, 8, 0})  // premultiplied channels may round by one
    EXPECT_NEAR((pixelAt(*decoded, 3, 2) >> shift) & 0xff, (pixelAt(image, 3, 2) >> shift) & 0xff, shift == 24 ? 0 : 1);
  EXPECT_EQ(pixelAt(*Image::decode(builder::pngData(filledImage(2, 2, 1, 1, 1, 0))), 1, 1), 0u);
}

TEST(WriteIconSet, FolderThatCannotBeCreatedContinuesOnceWithoutRunningTheConverter) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "Resources", "a file, not a folder");
  testing_support::writeFile(dir / "converter", "#!/bin/sh\ntouch \"$0.ran\"\n");
  fs::permissions(dir / "converter", fs::perms::owner_all);
  std::atomic<int> calls{0};
  builder::writeIconSet(*builder::resized(filledImage(4, 4, 1, 0, 0), 1024, 1024), "macOS", dir / "Resources",
                        dir / "converter", [&calls] { ++calls; });
  for (int waited = 0; calls == 0 && waited < 10000; ++waited) usleep(1000);
  usleep(50000);  // a second call would come right behind the first
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(fs::exists(dir / "converter.ran"));
}

}  // namespace
