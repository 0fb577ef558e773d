#include "builder/icon_set.hpp"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/dispatch.hpp"
#include "support/image_pixels.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using platform::Image;

using testing_support::filledImage;
using testing_support::pixelAt;

constexpr std::uint32_t greenPixel = 0xff00ff00u;

// A picture whose left half is red and right half blue.
Image halves(int width, int height) {
  auto image = filledImage(width, height, 1, 0, 0);
  cairo_t* cr = cairo_create(image.surface());
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, width / 2.0, 0, width / 2.0, height);
  cairo_fill(cr);
  cairo_destroy(cr);
  return image;
}

const platform::Color green{0, 1, 0, 1};

TEST(ComposeIcon, SquareShapeGivesColourEverywhereInProportionToItsAlpha) {
  // The shape's own colour does not matter, only its alpha; its size neither.
  auto master = builder::composeIcon(filledImage(64, 64, 0.3, 0.1, 0.9), green, std::nullopt);
  ASSERT_EQ(testing_support::sizeOf(master), "1024x1024");
  for (auto [x, y] : {std::pair{0, 0}, {1023, 0}, {0, 1023}, {1023, 1023}, {512, 512}})
    EXPECT_EQ(pixelAt(*master, x, y), greenPixel) << x << "," << y;
  // A half-transparent shape tints in proportion.
  const auto half = pixelAt(*builder::composeIcon(filledImage(8, 8, 1, 1, 1, 0.5), green, std::nullopt), 10, 10);
  EXPECT_NEAR(half >> 24, 128, 1);
  EXPECT_NEAR((half >> 8) & 0xff, 128, 1);
}

TEST(ComposeIcon, RoundedShapeLeavesTheCornersTransparent) {
  auto shape = Image::load(fs::path(NIMBREL_SOURCE_DIR) / "resources/images/bgtemplate.png");
  ASSERT_TRUE(shape);
  auto master = builder::composeIcon(*shape, green, std::nullopt);
  ASSERT_TRUE(master);
  EXPECT_EQ(pixelAt(*master, 0, 0), 0u);
  EXPECT_EQ(pixelAt(*master, 1023, 1023), 0u);
  EXPECT_EQ(pixelAt(*master, 150, 512), greenPixel);  // inside the shape, left of the picture
}

TEST(ComposeIcon, WidePictureIsStretchedIntoTheMiddleSquare) {
  auto master = builder::composeIcon(filledImage(16, 16, 1, 1, 1), green, halves(1000, 500));
  ASSERT_TRUE(master);
  const std::uint32_t red = 0xffff0000u, blue = 0xff0000ffu, background = greenPixel;
  // The square spans 187...836 both ways; the picture's halves meet at 512.
  for (auto [x, y, expected] : {std::tuple{187, 187, red}, {500, 836, red}, {836, 187, blue}, {525, 500, blue},
                                {186, 500, background}, {500, 186, background}, {837, 500, background},
                                {500, 837, background}})
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
  // Bounded, so a continuation that never comes fails the test instead of hanging it.
  for (int waited = 0; calls == 0 && waited < 10000; ++waited) usleep(1000);
  usleep(50000);  // a second call would come right behind the first
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(fs::exists(dir / "converter.ran"));
}

}  // namespace
