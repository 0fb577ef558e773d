#include "builder/icon_set.hpp"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/dispatch.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using platform::Image;

struct Pixel {
  int a, r, g, b;  // premultiplied, as stored
  bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Pixel& p) {
  return os << "argb(" << p.a << "," << p.r << "," << p.g << "," << p.b << ")";
}

Pixel at(const Image& image, int x, int y) {
  cairo_surface_flush(image.surface());
  const unsigned char* row =
      cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
  std::uint32_t v = reinterpret_cast<const std::uint32_t*>(row)[x];
  return {int(v >> 24), int((v >> 16) & 0xff), int((v >> 8) & 0xff), int(v & 0xff)};
}

Image filled(int width, int height, double r, double g, double b, double a = 1) {
  auto image = Image::create(width, height);
  cairo_t* cr = cairo_create(image->surface());
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_paint(cr);
  cairo_destroy(cr);
  return *image;
}

// A picture whose left half is red and right half blue.
Image halves(int width, int height) {
  auto image = filled(width, height, 1, 0, 0);
  cairo_t* cr = cairo_create(image.surface());
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, width / 2.0, 0, width / 2.0, height);
  cairo_fill(cr);
  cairo_destroy(cr);
  return image;
}

const platform::Color green{0, 1, 0, 1};

TEST(ComposeIcon, OpaqueSquareShapeGivesColourEverywhereAroundThePicture) {
  // The shape's own colour does not matter, only its alpha; its size neither.
  auto master = builder::composeIcon(filled(64, 64, 0.3, 0.1, 0.9), green, std::nullopt);
  ASSERT_TRUE(master);
  EXPECT_EQ(master->width(), 1024);
  EXPECT_EQ(master->height(), 1024);
  for (auto [x, y] : {std::pair{0, 0}, {1023, 0}, {0, 1023}, {1023, 1023}, {512, 512}}) {
    EXPECT_EQ(at(*master, x, y), (Pixel{255, 0, 255, 0})) << x << "," << y;
  }
}

TEST(ComposeIcon, RoundedShapeLeavesTheCornersTransparent) {
  auto shape = Image::load(fs::path(NIMBREL_SOURCE_DIR) / "resources/images/bgtemplate.png");
  ASSERT_TRUE(shape);
  auto master = builder::composeIcon(*shape, green, std::nullopt);
  ASSERT_TRUE(master);
  EXPECT_EQ(at(*master, 0, 0).a, 0);
  EXPECT_EQ(at(*master, 1023, 1023).a, 0);
  EXPECT_EQ(at(*master, 150, 512), (Pixel{255, 0, 255, 0}));  // inside the shape, left of the picture
}

TEST(ComposeIcon, HalfTransparentShapeTintsInProportion) {
  auto master = builder::composeIcon(filled(8, 8, 1, 1, 1, 0.5), green, std::nullopt);
  ASSERT_TRUE(master);
  Pixel p = at(*master, 10, 10);
  EXPECT_NEAR(p.a, 128, 1);
  EXPECT_NEAR(p.g, 128, 1);
}

TEST(ComposeIcon, WidePictureIsStretchedIntoTheMiddleSquare) {
  auto master = builder::composeIcon(filled(16, 16, 1, 1, 1), green, halves(1000, 500));
  ASSERT_TRUE(master);
  const Pixel red{255, 255, 0, 0}, blue{255, 0, 0, 255}, background{255, 0, 255, 0};
  // The square spans 187...836 both ways; the picture's halves meet at 512.
  EXPECT_EQ(at(*master, 187, 187), red);
  EXPECT_EQ(at(*master, 500, 836), red);
  EXPECT_EQ(at(*master, 836, 187), blue);
  EXPECT_EQ(at(*master, 525, 500), blue);
  EXPECT_EQ(at(*master, 186, 500), background);
  EXPECT_EQ(at(*master, 500, 186), background);
  EXPECT_EQ(at(*master, 837, 500), background);
  EXPECT_EQ(at(*master, 500, 837), background);
}

TEST(Resized, HasExactlyTheRequestedPixels) {
  auto image = builder::resized(halves(1000, 500), 32, 16);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 32);
  EXPECT_EQ(image->height(), 16);
  EXPECT_EQ(at(*image, 0, 0), (Pixel{255, 255, 0, 0}));
  EXPECT_EQ(at(*image, 31, 15), (Pixel{255, 0, 0, 255}));
  EXPECT_FALSE(builder::resized(halves(10, 10), 0, 16));
  auto png = builder::pngData(*image);
  auto decoded = Image::decode(png);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width(), 32);
}

TEST(PngData, KeepsColourAndPartialAlpha) {
  auto image = filled(8, 4, 0.2, 0.6, 1.0, 0.5);
  auto decoded = Image::decode(builder::pngData(image));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->width(), 8);
  ASSERT_EQ(decoded->height(), 4);
  const Pixel original = at(image, 3, 2), roundTrip = at(*decoded, 3, 2);
  EXPECT_EQ(roundTrip.a, original.a);
  EXPECT_NEAR(roundTrip.r, original.r, 1);
  EXPECT_NEAR(roundTrip.g, original.g, 1);
  EXPECT_NEAR(roundTrip.b, original.b, 1);
  EXPECT_EQ(at(*Image::decode(builder::pngData(filled(2, 2, 1, 1, 1, 0))), 1, 1), (Pixel{0, 0, 0, 0}));
}

class WriteIconSet : public ::testing::Test {
 protected:
  // Runs writeIconSet and waits (through the main loop) for its one continuation.
  void write(const fs::path& resources, const fs::path& converter) {
    std::atomic<int> calls{0};
    builder::writeIconSet(*builder::resized(filled(4, 4, 1, 0, 0), 1024, 1024), "macOS", resources, converter,
                          [&calls] { ++calls; });
    while (calls == 0) usleep(1000);
    usleep(50000);  // a second call would come right behind the first
    EXPECT_EQ(calls, 1);
  }
  testing_support::TempDir dir;
};

TEST_F(WriteIconSet, FolderThatCannotBeCreatedContinuesWithoutRunningTheConverter) {
  testing_support::writeFile(dir / "Resources", "a file, not a folder");
  testing_support::writeFile(dir / "converter", "#!/bin/sh\ntouch \"$0.ran\"\n");
  fs::permissions(dir / "converter", fs::perms::owner_all);
  write(dir / "Resources", dir / "converter");
  EXPECT_FALSE(fs::exists(dir / "converter.ran"));
}

}  // namespace
