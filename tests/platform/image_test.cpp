#include "platform/image.hpp"

#include <gtest/gtest.h>

#include "tests/support/image_pixels.hpp"

using platform::Image;

namespace {

using testing_support::filledImage;
using testing_support::pixelAt;

TEST(Image, PngRoundTripKeepsSizeAndPixels) {
  Image source = filledImage(7, 3, 1, 0, 0, 0.5);
  auto png = source.pngData();
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  auto decoded = Image::decode(png);
  ASSERT_EQ(testing_support::sizeOf(decoded), "7x3");
  EXPECT_EQ(pixelAt(*decoded, 3, 1), pixelAt(source, 3, 1));  // premultiplied alpha survives the trip
}

TEST(Image, DecodesSvgAtItsNaturalSizeAndRejectsWhatIsNoImage) {
  std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="20"><rect width="40" height="20" fill="#00f"/></svg>)";
  auto image = Image::decode(std::span(reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()));
  EXPECT_EQ(testing_support::sizeOf(image), "40x20");

  std::string html = "<html><body>404</body></html>";
  EXPECT_FALSE(Image::decode(std::span(reinterpret_cast<const std::uint8_t*>(html.data()), html.size())));
  EXPECT_FALSE(Image::decode({}));
  EXPECT_FALSE(Image::load("/nonexistent.png"));
  EXPECT_FALSE(Image::create(0, 10));
}

TEST(Image, StretchedFillsExactlyTheAskedPixelsWithoutFadingEdges) {
  auto source = *Image::create(2, 1);
  *reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(source.surface())) = 0xffff0000u;
  cairo_surface_mark_dirty(source.surface());
  auto scaled = platform::stretched(source, 650, 651);
  ASSERT_EQ(testing_support::sizeOf(scaled), "650x651");
  EXPECT_EQ(pixelAt(*scaled, 0, 650), 0xffff0000u);  // a corner keeps the picture's own pixel
  EXPECT_EQ(pixelAt(*scaled, 649, 0), 0u);
  EXPECT_FALSE(platform::stretched(source, 0, 10));
}

TEST(Image, TintedKeepsOnlyTheShapeInTheColour) {
  Image shape = filledImage(4, 4, 0.2, 0.9, 0.1, 0.5);  // its own colour must not matter
  auto blue = platform::tinted(shape, {0, 0, 1, 1});
  ASSERT_TRUE(blue);
  EXPECT_EQ(pixelAt(*blue, 1, 1), 0x80000080u);  // half-opaque blue, premultiplied
}

}  // namespace
