#include "frontend/wizard_images.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/temp_dir.hpp"
#include "wizard_fakes.hpp"

namespace {

using platform::Color;
using wizard_testing::filledImage;
using wizard_testing::Pixel;
using wizard_testing::pixelAt;

struct HexCase {
  const char* text;
  std::optional<unsigned> rgb;
};

void PrintTo(const HexCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ColorFromHex : public testing::TestWithParam<HexCase> {};

TEST_P(ColorFromHex, ReadsSixDigitsAfterTheHash) {
  const HexCase& c = GetParam();
  auto color = frontend::colorFromHex(c.text);
  ASSERT_EQ(color.has_value(), c.rgb.has_value()) << c.text;
  if (!c.rgb) return;
  EXPECT_DOUBLE_EQ(color->red, ((*c.rgb >> 16) & 0xFF) / 255.0);
  EXPECT_DOUBLE_EQ(color->green, ((*c.rgb >> 8) & 0xFF) / 255.0);
  EXPECT_DOUBLE_EQ(color->blue, (*c.rgb & 0xFF) / 255.0);
  EXPECT_EQ(color->alpha, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColorFromHex,
    testing::Values(HexCase{"#4285F4", 0x4285F4}, HexCase{"#ea4335", 0xEA4335}, HexCase{"#000000", 0},
                    HexCase{"#FFFFFF", 0xFFFFFF}, HexCase{"4285F4", std::nullopt},
                    HexCase{"#4285F", std::nullopt}, HexCase{"#4285F4F", std::nullopt}, HexCase{"", std::nullopt},
                    HexCase{"#", std::nullopt}, HexCase{"#GGGGGG", std::nullopt}, HexCase{"#      ", std::nullopt},
                    // A scanner stops at the first non-digit and skips blanks and "0x".
                    HexCase{"#12ZZZZ", 0x12}, HexCase{"# 12345", 0x12345}, HexCase{"#0x1234", 0x1234}));

TEST(TintedImage, KeepsTheShapeAndReplacesTheColour) {
  auto source = *platform::Image::create(3, 1);
  cairo_t* cr = cairo_create(source.surface());
  cairo_set_source_rgba(cr, 1, 0, 0, 1);
  cairo_rectangle(cr, 0, 0, 1, 1);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 1, 0, 0.5);
  cairo_rectangle(cr, 1, 0, 1, 1);
  cairo_fill(cr);
  cairo_destroy(cr);

  auto tinted = frontend::tintedImage(source, Color{0, 0, 1, 1});
  ASSERT_TRUE(tinted);
  EXPECT_EQ(tinted->width(), 3);
  EXPECT_EQ(tinted->height(), 1);
  EXPECT_EQ(pixelAt(*tinted, 0, 0), (Pixel{255, 0, 0, 255}));
  Pixel half = pixelAt(*tinted, 1, 0);
  EXPECT_NEAR(half.alpha, 128, 1);
  EXPECT_EQ(half.red, 0);
  EXPECT_EQ(half.green, 0);
  EXPECT_EQ(half.blue, half.alpha);
  EXPECT_EQ(pixelAt(*tinted, 2, 0), (Pixel{0, 0, 0, 0}));
  // The source is left as it was.
  EXPECT_EQ(pixelAt(source, 0, 0), (Pixel{255, 255, 0, 0}));
}

TEST(ScaledImage, StretchesToExactlyTheAskedPixels) {
  auto source = *platform::Image::create(2, 1);
  cairo_t* cr = cairo_create(source.surface());
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_rectangle(cr, 0, 0, 1, 1);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, 1, 0, 1, 1);
  cairo_fill(cr);
  cairo_destroy(cr);

  auto scaled = frontend::scaledImage(source, 650, 650);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->width(), 650);
  EXPECT_EQ(scaled->height(), 650);
  // Edges stay opaque: nothing blends in from outside the picture.
  EXPECT_EQ(pixelAt(*scaled, 0, 0), (Pixel{255, 255, 0, 0}));
  EXPECT_EQ(pixelAt(*scaled, 649, 649), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(*scaled, 0, 649), (Pixel{255, 255, 0, 0}));
  EXPECT_FALSE(frontend::scaledImage(source, 0, 10));
}

TEST(DefaultAppIcon, IsTheDefaultShapeInBlack) {
  auto shape = filledImage(8, 6, Color{1, 1, 1, 0.5});
  auto icon = frontend::defaultAppIcon([&](const std::string& name) -> std::optional<platform::Image> {
    if (name == "DefaultIcon") return shape;
    return std::nullopt;
  });
  EXPECT_EQ(icon.width(), 8);
  EXPECT_EQ(icon.height(), 6);
  Pixel p = pixelAt(icon, 4, 3);
  EXPECT_NEAR(p.alpha, 128, 1);
  EXPECT_EQ(p.red + p.green + p.blue, 0);
}

TEST(DefaultAppIcon, IsAnEmpty512SquareWithoutTheResource) {
  auto icon = frontend::defaultAppIcon([](const std::string&) { return std::nullopt; });
  EXPECT_EQ(icon.width(), 512);
  EXPECT_EQ(icon.height(), 512);
  EXPECT_EQ(pixelAt(icon, 256, 256), (Pixel{0, 0, 0, 0}));
}

TEST(ResourceImageNamed, FindsPngBeforeSvgInTheMainBundle) {
  testing_support::TempDir dir;
  auto resources = dir / "Test.app/Contents/Resources";
  std::filesystem::create_directories(resources);
  auto png = filledImage(3, 2, Color::white()).pngData();
  testing_support::writeFile(resources / "shape.png", std::string(png.begin(), png.end()));
  testing_support::writeFile(resources / "shape.svg",
                             "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>");
  testing_support::writeFile(resources / "glyph.svg",
                             "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='7'>"
                             "<rect width='9' height='7'/></svg>");
  g_setenv("NIMBREL_MAIN_BUNDLE", (dir / "Test.app").c_str(), TRUE);
  auto shape = frontend::resourceImageNamed("shape");
  auto glyph = frontend::resourceImageNamed("glyph");
  auto missing = frontend::resourceImageNamed("missing");
  g_unsetenv("NIMBREL_MAIN_BUNDLE");
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->width(), 3);
  ASSERT_TRUE(glyph);
  EXPECT_EQ(glyph->height(), 7);
  EXPECT_FALSE(missing);
}

}  // namespace
