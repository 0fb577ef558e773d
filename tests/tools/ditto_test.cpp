#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::tree;
using testing_support::writeFile;

namespace {

class Ditto : public testing::Test {
 protected:
  void SetUp() override {
    tools_test::makeBundle(bundle, "a.b", false);
    writeFile(bundle / "Contents/Resources/Site/index.html", std::string(200000, 'x'));
    fs::create_directories(bundle / "Contents/Resources/Empty");
    fs::create_symlink("Site/index.html", bundle / "Contents/Resources/start.html");
    fs::create_symlink("/etc/hostname", bundle / "Contents/Resources/outside");
  }

  tools::ProcessResult ditto() {
    return tools_test::run(NIMBREL_TOOL_DITTO, {"-c", "-k", "--keepParent", bundle.string(), archive.string()});
  }

  testing_support::TempDir tmp;
  fs::path bundle = tmp / "My App.app";
  fs::path archive = tmp / "nbl-7F1A.zip";
};

// unzip restores the bundle whole, the bundle folder being the archive's top entry.
TEST_F(Ditto, KeepParentArchiveUnzipsToTheSameBundle) {
  ASSERT_EQ(ditto().exitStatus, 0);
  const fs::path unpacked = tmp / "unpacked";
  tools_test::succeeds("unzip", {"-q", archive.string(), "-d", unpacked.string()});
  std::vector<std::string> expected{"My App.app/"};
  for (const auto& entry : tree(bundle)) expected.push_back("My App.app/" + entry);
  EXPECT_EQ(tree(unpacked), expected);
  const fs::path copy = unpacked / "My App.app/Contents";
  EXPECT_EQ(readFile(copy / "Resources/Site/index.html"), std::string(200000, 'x'));
  EXPECT_EQ(fs::status(copy / "MacOS/My App").permissions() & fs::perms::all, fs::perms(0755));
  EXPECT_EQ(fs::read_symlink(copy / "Resources/start.html"), "Site/index.html");
  EXPECT_EQ(fs::read_symlink(copy / "Resources/outside"), "/etc/hostname") << "links are stored, never followed";

  archive = bundle / "Contents/self.zip";  // an archive inside its source does not contain itself
  ASSERT_EQ(ditto().exitStatus, 0);
  EXPECT_THAT(tools_test::run("unzip", {"-Z1", archive.string()}).standardOutput,
              testing::Not(testing::HasSubstr("self.zip")));
}

TEST_F(Ditto, AFailureHalfWayLeavesNoArchiveBehind) {
  writeFile(archive, "earlier archive");
  ASSERT_EQ(::mkfifo((bundle / "Contents/Resources/pipe").c_str(), 0644), 0);
  const auto before = tree(tmp.path());
  auto result = ditto();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, testing::HasSubstr("pipe"));
  EXPECT_EQ(readFile(archive), "earlier archive");
  EXPECT_EQ(tree(tmp.path()), before);
}

}  // namespace
