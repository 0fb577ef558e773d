#include "frontend/wizard_images.hpp"

#include <gtest/gtest.h>

#include "wizard_fakes.hpp"

namespace {

using platform::Color;
using wizard_testing::filledImage;
using wizard_testing::pixelAt;
using Pixel = std::array<int, 4>;

struct HexCase {
  const char* text;
  std::optional<unsigned> rgb;
};

void PrintTo(const HexCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ColorFromHex : public testing::TestWithParam<HexCase> {};

TEST_P(ColorFromHex, ReadsSixDigitsAfterTheHash) {
  auto color = frontend::colorFromHex(GetParam().text);
  auto rgb = GetParam().rgb;
  ASSERT_EQ(color.has_value(), rgb.has_value());
  if (rgb) {
    EXPECT_EQ(*color, (Color{(*rgb >> 16) / 255.0, ((*rgb >> 8) & 0xFF) / 255.0, (*rgb & 0xFF) / 255.0, 1}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColorFromHex,
    testing::Values(HexCase{"#4285F4", 0x4285F4}, HexCase{"#ea4335", 0xEA4335}, HexCase{"#000000", 0},
                    HexCase{"4285F4", std::nullopt}, HexCase{"#4285F", std::nullopt}, HexCase{"#4285F4F", std::nullopt},
                    HexCase{"", std::nullopt}, HexCase{"#GGGGGG", std::nullopt}, HexCase{"#      ", std::nullopt},
                    // A hexadecimal scanner stops at the first non-digit and skips blanks and "0x".
                    HexCase{"#12ZZZZ", 0x12}, HexCase{"# 12345", 0x12345}, HexCase{"#0x1234", 0x1234}));

TEST(WizardImages, TintKeepsTheShapeAndReplacesTheColour) {
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
  EXPECT_EQ(pixelAt(*tinted, 0, 0), (Pixel{255, 0, 0, 255}));
  Pixel half = pixelAt(*tinted, 1, 0);
  EXPECT_NEAR(half[0], 128, 1);
  EXPECT_EQ(half, (Pixel{half[0], 0, 0, half[0]}));
  EXPECT_EQ(pixelAt(*tinted, 2, 0), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(source, 0, 0), (Pixel{255, 255, 0, 0})) << "the source stays as it was";
}

TEST(WizardImages, DefaultIconIsTheShapeInBlackOrAnEmpty512Square) {
  auto icon = frontend::defaultAppIcon([](const std::string& name) -> std::optional<platform::Image> {
    if (name != "DefaultIcon") return std::nullopt;
    return filledImage(8, 6, Color{1, 1, 1, 0.5});
  });
  EXPECT_EQ(icon.width(), 8);
  EXPECT_NEAR(pixelAt(icon, 4, 3)[0], 128, 1);
  EXPECT_EQ(pixelAt(icon, 4, 3)[1] + pixelAt(icon, 4, 3)[2] + pixelAt(icon, 4, 3)[3], 0);

  auto empty = frontend::defaultAppIcon([](const std::string&) { return std::nullopt; });
  EXPECT_EQ(empty.width(), 512);
  EXPECT_EQ(empty.height(), 512);
  EXPECT_EQ(pixelAt(empty, 256, 256), (Pixel{0, 0, 0, 0}));
}

}  // namespace
