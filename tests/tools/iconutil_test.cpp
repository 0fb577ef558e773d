#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"
#include "tools/common/atomic_file.hpp"

namespace fs = std::filesystem;
namespace icns = tools::icns;
using testing::HasSubstr;

namespace {

class Iconutil : public testing::Test {
 protected:
  // The icon set as the builder writes it: ten files of the right sizes.
  void SetUp() override {
    for (const auto& slot : icns::iconSetSlots())
      tools_test::writeBytes(iconSet / slot.fileName, tools_test::png(static_cast<int>(slot.pixels)));
  }

  tools::ProcessResult convert() {
    return tools_test::run(NIMBREL_TOOL_ICONUTIL, {"--convert", "icns", "--output", output.string(), iconSet.string()});
  }

  testing_support::TempDir tmp;
  fs::path iconSet = tmp / "AppIcon.iconset";
  fs::path output = tmp / "AppIcon.icns";
};

TEST_F(Iconutil, IndependentReaderListsEveryElementAndExtractsTheLargeOnes) {
  ASSERT_EQ(convert().exitStatus, 0);
  auto listing = tools_test::succeeds("icns2png", {"-l", output.string()});
  for (const auto& slot : icns::iconSetSlots())
    EXPECT_THAT(listing.standardOutput, HasSubstr("'" + std::string(slot.type) + "'")) << slot.type;

  fs::create_directories(tmp / "extracted");
  tools_test::succeeds("icns2png", {"-x", "-o", (tmp / "extracted").string(), output.string()});
  for (std::uint32_t size : {256u, 512u, 1024u}) {
    std::string dims = std::to_string(size) + "x" + std::to_string(size);
    auto png = tools::readWholeFile(tmp / "extracted" / ("AppIcon_" + dims + "x32.png"));
    EXPECT_EQ(icns::pngSize(png), (icns::PixelSize{size, size})) << dims;
  }
}

TEST_F(Iconutil, NothingValidFailsAndLeavesAnExistingFileAlone) {
  fs::remove_all(iconSet);
  testing_support::writeFile(iconSet / "icon_16x16.png", "not a png");
  testing_support::writeFile(output, "previous icon");
  const auto before = testing_support::tree(tmp.path());
  auto result = convert();
  EXPECT_NE(result.exitStatus, 0);
  EXPECT_THAT(result.standardError, HasSubstr("no valid icon images"));
  EXPECT_EQ(testing_support::readFile(output), "previous icon");
  EXPECT_EQ(testing_support::tree(tmp.path()), before) << "no temporary file left";
}

}  // namespace
