#include "tools/common/icns.hpp"

#include <gtest/gtest.h>

#include "tests/tools/fixtures.hpp"

namespace icns = tools::icns;

namespace {

TEST(Icns, RoundTripKeepsElementsAndOrder) {
  std::vector<icns::Element> elements{{"ic10", tools_test::pngOfSize(4)}, {"icp4", {1, 2, 3}}, {"ic07", {}}};
  auto decoded = icns::decode(icns::encode(elements));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 3u);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    EXPECT_EQ((*decoded)[i].type, elements[i].type);
    EXPECT_EQ((*decoded)[i].data, elements[i].data);
  }
}

TEST(Icns, LengthsAreBigEndianAndCoverTheirHeads) {
  auto bytes = icns::encode(std::vector<icns::Element>{{"ic08", {9, 9}}});
  ASSERT_EQ(bytes.size(), 18u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4, bytes.begin() + 8), (std::vector<std::uint8_t>{0, 0, 0, 18}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 12, bytes.begin() + 16), (std::vector<std::uint8_t>{0, 0, 0, 10}));
}

// Each row damages a valid two-element file in one way.
struct Damage {
  const char* name;
  std::size_t offset;  // byte to overwrite, or npos to cut the file to `value` bytes
  std::uint8_t value;
};

class IcnsDamage : public testing::TestWithParam<Damage> {};

TEST_P(IcnsDamage, IsRefused) {
  auto bytes = icns::encode(std::vector<icns::Element>{{"icp4", {1, 2, 3, 4}}, {"icp5", {5, 6}}});
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
                                         Damage{"ElementPastTotal", 15, 100},
                                         Damage{"TrailShorterThanHead", 7, 22}, Damage{"CutInsideHead", std::string::npos, 4},
                                         Damage{"CutInsideElement", std::string::npos, 14}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IcnsPng, ReadsSizeOfWholePngOnly) {
  auto png = tools_test::pngOfSize(48, 20);
  EXPECT_EQ(icns::pngSize(png), (icns::PixelSize{48, 20}));

  auto cut = png;
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(icns::pngSize(cut)) << "a PNG cut off before its end chunk";
  auto noSignature = png;
  noSignature[1] = 'J';
  EXPECT_FALSE(icns::pngSize(noSignature));
  EXPECT_FALSE(icns::pngSize(std::vector<std::uint8_t>(png.begin(), png.begin() + 20)));
}

TEST(IcnsSlots, CoverTheTenIconSetFilesWithDistinctTypes) {
  std::set<std::string_view> types;
  for (const auto& slot : icns::iconSetSlots()) {
    types.insert(slot.type);
    // The pixel size is the point size in the name, doubled for @2x.
    unsigned points = 0;
    ASSERT_EQ(std::sscanf(std::string(slot.fileName).c_str(), "icon_%ux", &points), 1);
    bool doubled = slot.fileName.find("@2x") != std::string_view::npos;
    EXPECT_EQ(slot.pixels, doubled ? points * 2 : points) << slot.fileName;
  }
  EXPECT_EQ(types.size(), 10u);
}

}  // namespace
