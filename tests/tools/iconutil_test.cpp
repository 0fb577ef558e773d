#include <gtest/gtest.h>


#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"
#include "tests/tools/tool_process.hpp"
#include "tools/common/atomic_file.hpp"

namespace fs = std::filesystem;
namespace icns = tools::icns;
using testing_support::readFile;

namespace {

class Iconutil : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(tmp.path().empty()); }

  // The icon set as the builder writes it: ten files of the right sizes.
  void writeFullSet() {
    fs::create_directories(iconSet);
    for (const auto& slot : icns::iconSetSlots())
      tools_test::writeBytes(iconSet / slot.fileName, tools_test::pngOfSize(static_cast<int>(slot.pixels)));
  }

  tools_test::Run convert() {
    return tools_test::run(NIMBREL_TOOL_ICONUTIL, {"--convert", "icns", "--output", output.string(), iconSet.string()});
  }

  testing_support::TempDir tmp;
  fs::path iconSet = tmp / "App.app/Contents/Resources/AppIcon.iconset";
  fs::path output = tmp / "App.app/Contents/Resources/AppIcon.icns";
};

TEST_F(Iconutil, IndependentReaderListsEveryElementAndExtractsTheLargeOnes) {
  writeFullSet();
  auto result = convert();
  ASSERT_EQ(result.exitStatus, 0) << result.err;

  auto listing = tools_test::run("icns2png", {"-l", output.string()});
  ASSERT_EQ(listing.exitStatus, 0) << listing.err;
  for (const auto& slot : icns::iconSetSlots())
    EXPECT_NE(listing.out.find("'" + std::string(slot.type) + "'"), std::string::npos) << slot.type;
  EXPECT_NE(listing.out.find("10 elements total"), std::string::npos) << listing.out;

  fs::path extracted = tmp / "extracted";
  fs::create_directories(extracted);
  auto extract = tools_test::run("icns2png", {"-x", "-o", extracted.string(), output.string()});
  ASSERT_EQ(extract.exitStatus, 0) << extract.err;
  for (std::uint32_t size : {256u, 512u, 1024u}) {
    std::string dims = std::to_string(size) + "x" + std::to_string(size);
    auto png = tools::readWholeFile(extracted / ("AppIcon_" + dims + "x32.png"));
    EXPECT_EQ(icns::pngSize(png), (icns::PixelSize{size, size})) << dims;
  }
}

TEST_F(Iconutil, ElementsCarryTheFilesUnchangedInSetOrder) {
  writeFullSet();
  ASSERT_EQ(convert().exitStatus, 0);
  auto elements = icns::decode(tools::readWholeFile(output));
  ASSERT_TRUE(elements);
  ASSERT_EQ(elements->size(), 10u);
  std::size_t i = 0;
  for (const auto& slot : icns::iconSetSlots()) {
    EXPECT_EQ((*elements)[i].type, slot.type);
    EXPECT_EQ((*elements)[i].data, tools::readWholeFile(iconSet / slot.fileName)) << slot.fileName;
    ++i;
  }
}

TEST_F(Iconutil, WrongSizedAndBrokenImagesAreSkippedWithAWarning) {
  writeFullSet();
  tools_test::writeBytes(iconSet / "icon_16x16.png", tools_test::pngOfSize(32));
  auto cut = tools_test::pngOfSize(32);
  cut.resize(cut.size() / 2);
  tools_test::writeBytes(iconSet / "icon_32x32.png", cut);
  testing_support::writeFile(iconSet / "notes.txt", "stray");

  auto result = convert();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.err.find("icon_16x16.png: 32x32 pixels, expected 16x16"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("icon_32x32.png: not a PNG"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("notes.txt"), std::string::npos) << result.err;
  auto elements = icns::decode(tools::readWholeFile(output));
  ASSERT_TRUE(elements);
  EXPECT_EQ(elements->size(), 8u);
  for (const auto& e : *elements) EXPECT_TRUE(e.type != "icp4" && e.type != "icp5") << e.type;
}

TEST_F(Iconutil, NothingValidFailsAndLeavesAnExistingFileAlone) {
  fs::create_directories(iconSet);
  testing_support::writeFile(iconSet / "icon_16x16.png", "not a png");
  testing_support::writeFile(output, "previous icon");

  auto result = convert();
  EXPECT_NE(result.exitStatus, 0);
  EXPECT_NE(result.err.find("no valid icon images"), std::string::npos) << result.err;
  EXPECT_EQ(readFile(output), "previous icon");
  for (const auto& item : fs::directory_iterator(output.parent_path()))
    EXPECT_TRUE(item.path() == output || item.path() == iconSet) << "left behind: " << item.path();
}

TEST_F(Iconutil, MissingFolderOrUnwritableOutputFailWithoutOutput) {
  auto missing = convert();
  EXPECT_NE(missing.exitStatus, 0);
  EXPECT_NE(missing.err.find("not a folder"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(output));

  writeFullSet();
  output = tmp / "no such folder/AppIcon.icns";
  auto unwritable = convert();
  EXPECT_NE(unwritable.exitStatus, 0);
  EXPECT_NE(unwritable.err.find("no such folder"), std::string::npos) << unwritable.err;
}

TEST_F(Iconutil, OutputDefaultsToTheFolderNameWithIcnsExtension) {
  writeFullSet();
  auto result = tools_test::run(NIMBREL_TOOL_ICONUTIL, {"-c", "icns", iconSet.string() + "/"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_TRUE(icns::decode(tools::readWholeFile(output)));
}

}  // namespace
