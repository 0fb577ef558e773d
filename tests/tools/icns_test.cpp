// The reader also opens icon files of bundles it did not make, so every kind
// of damage must be refused rather than read past.

#include "tools/common/icns.hpp"

#include <gtest/gtest.h>

#include "tests/tools/fixtures.hpp"

namespace icns = tools::icns;

namespace {

struct Damage {
  const char* name;
  std::size_t offset;  // byte to overwrite, or npos to cut the file to `value` bytes
  std::uint8_t value;
};

class IcnsDamage : public testing::TestWithParam<Damage> {};

TEST_P(IcnsDamage, IsRefused) {
  // Head (8 bytes), then 'icp4' of length 12 at 8, then 'icp5' of length 10 at 20: 30 bytes.
  auto bytes = icns::encode(std::vector<icns::Element>{{"icp4", {1, 2, 3, 4}}, {"icp5", {5, 6}}});
  ASSERT_TRUE(icns::decode(bytes));
  const Damage& d = GetParam();
  if (d.offset == std::string::npos) {
    bytes.resize(d.value);
  } else {
    bytes[d.offset] = d.value;
  }
  EXPECT_FALSE(icns::decode(bytes));
}

INSTANTIATE_TEST_SUITE_P(Icns, IcnsDamage,
                         testing::Values(Damage{"WrongMagic", 0, 'x'}, Damage{"TotalPastEnd", 7, 200},
                                         Damage{"TotalBelowHead", 7, 4}, Damage{"ElementShorterThanHead", 15, 7},
                                         Damage{"ElementPastTotal", 15, 100}, Damage{"TrailShorterThanHead", 7, 22},
                                         Damage{"CutInsideHead", std::string::npos, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IcnsPng, ReadsTheSizeOfWholePngsOnly) {
  auto png = tools_test::pngOfSize(48, 20);
  EXPECT_EQ(icns::pngSize(png), (icns::PixelSize{48, 20}));
  auto cut = png;
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(icns::pngSize(cut)) << "a PNG cut off before its end chunk";
  png[1] = 'J';
  EXPECT_FALSE(icns::pngSize(png));
}

}  // namespace
