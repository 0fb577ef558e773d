#include "platform/image.hpp"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"

using platform::Image;

namespace {

Image filled(int w, int h, double r, double g, double b, double a) {
  auto image = Image::create(w, h);
  cairo_t* cr = cairo_create(image->surface());
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_paint(cr);
  cairo_destroy(cr);
  return *image;
}

std::uint32_t pixel(const Image& image, int x, int y) {
  cairo_surface_flush(image.surface());
  auto* row = cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
  return reinterpret_cast<const std::uint32_t*>(row)[x];
}

TEST(Image, PngRoundTripKeepsSizeAndPixels) {
  Image source = filled(7, 3, 1, 0, 0, 0.5);
  auto png = source.pngData();
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  auto decoded = Image::decode(png);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width(), 7);
  EXPECT_EQ(decoded->height(), 3);
  EXPECT_EQ(pixel(*decoded, 3, 1), pixel(source, 3, 1));  // premultiplied alpha survives the trip
}

TEST(Image, DecodesSvgAtItsNaturalSize) {
  std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="20"><rect width="40" height="20" fill="#00f"/></svg>)";
  auto image = Image::decode(std::span(reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 40);
  EXPECT_EQ(image->height(), 20);
}

TEST(Image, StretchedFillsExactlyTheAskedPixelsWithoutFadingEdges) {
  auto source = *Image::create(2, 1);
  cairo_t* cr = cairo_create(source.surface());
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_rectangle(cr, 0, 0, 1, 1);
  cairo_fill(cr);
  cairo_destroy(cr);
  auto scaled = platform::stretched(source, 650, 651);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->width(), 650);
  EXPECT_EQ(scaled->height(), 651);
  EXPECT_EQ(pixel(*scaled, 0, 650), 0xffff0000u);  // a corner keeps the picture's own pixel
  EXPECT_EQ(pixel(*scaled, 649, 0), 0u);
  EXPECT_FALSE(platform::stretched(source, 0, 10));
}

TEST(Image, TintedKeepsOnlyTheShapeInTheColour) {
  Image shape = filled(4, 4, 0.2, 0.9, 0.1, 0.5);  // its own colour must not matter
  auto blue = platform::tinted(shape, {0, 0, 1, 1});
  ASSERT_TRUE(blue);
  EXPECT_EQ(pixel(*blue, 1, 1), 0x80000080u);  // half-opaque blue, premultiplied
}

TEST(Image, RejectsWhatIsNoImage) {
  std::string html = "<html><body>404</body></html>";
  EXPECT_FALSE(Image::decode(std::span(reinterpret_cast<const std::uint8_t*>(html.data()), html.size())));
  EXPECT_FALSE(Image::decode({}));
  EXPECT_FALSE(Image::load("/nonexistent.png"));
  EXPECT_FALSE(Image::create(0, 10));
}

}  // namespace
