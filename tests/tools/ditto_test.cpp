#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "tests/support/temp_dir.hpp"
#include "tests/tools/tool_process.hpp"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class Ditto : public testing::Test {
 protected:
  void SetUp() override {
    writeFile(bundle / "Contents/Info.plist", "<plist/>");
    writeFile(bundle / "Contents/MacOS/My App", "#!/bin/sh\necho hi\n");
    ::chmod((bundle / "Contents/MacOS/My App").c_str(), 0755);
    writeFile(bundle / "Contents/Resources/Site/index.html", std::string(200000, 'x'));
    fs::create_directories(bundle / "Contents/Resources/Empty");
    fs::create_symlink("Site/index.html", bundle / "Contents/Resources/start.html");
    fs::create_symlink("/etc/hostname", bundle / "Contents/Resources/outside");
  }

  tools::ProcessResult ditto(std::vector<std::string> options) {
    options.push_back(bundle.string());
    options.push_back(archive.string());
    return tools_test::run(NIMBREL_TOOL_DITTO, options);
  }

  testing_support::TempDir tmp;
  fs::path bundle = tmp / "My App.app";
  fs::path archive = tmp / "nbl-7F1A.zip";
  fs::path unpacked = tmp / "unpacked";
};

TEST_F(Ditto, KeepParentMakesTheBundleTheTopEntryAndUnzipRestoresIt) {
  auto result = ditto({"-c", "-k", "--keepParent"});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;

  auto listing = tools_test::run("unzip", {"-Z1", archive.string()});
  ASSERT_EQ(listing.exitStatus, 0) << listing.standardError;
  auto names = lines(listing.standardOutput);
  EXPECT_EQ(names.front(), "My App.app/");
  for (const auto& name : names) EXPECT_EQ(name.rfind("My App.app/", 0), 0u) << name;
  EXPECT_NE(std::find(names.begin(), names.end(), "My App.app/Contents/Resources/Empty/"), names.end());

  auto unzip = tools_test::run("unzip", {"-q", archive.string(), "-d", unpacked.string()});
  ASSERT_EQ(unzip.exitStatus, 0) << unzip.standardError;
  fs::path copy = unpacked / "My App.app";
  EXPECT_EQ(readFile(copy / "Contents/Resources/Site/index.html"), std::string(200000, 'x'));
  EXPECT_EQ(fs::status(copy / "Contents/MacOS/My App").permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                fs::perms::others_exec);
  EXPECT_EQ(fs::status(copy / "Contents/Info.plist").permissions() & fs::perms::owner_exec, fs::perms::none);
  ASSERT_TRUE(fs::is_symlink(copy / "Contents/Resources/start.html"));
  EXPECT_EQ(fs::read_symlink(copy / "Contents/Resources/start.html"), "Site/index.html");
  ASSERT_TRUE(fs::is_symlink(copy / "Contents/Resources/outside")) << "links are stored, never followed";
  EXPECT_EQ(fs::read_symlink(copy / "Contents/Resources/outside"), "/etc/hostname");

  archive = bundle / "Contents/self.zip";  // an archive inside its source does not contain itself
  ASSERT_EQ(ditto({"-c", "-k", "--keepParent"}).exitStatus, 0);
  names = lines(tools_test::run("unzip", {"-Z1", archive.string()}).standardOutput);
  EXPECT_EQ(std::find(names.begin(), names.end(), "My App.app/Contents/self.zip"), names.end());
}

TEST_F(Ditto, AFailureHalfWayLeavesNoArchiveBehind) {
  writeFile(archive, "earlier archive");
  ASSERT_EQ(::mkfifo((bundle / "Contents/Resources/pipe").c_str(), 0644), 0);
  auto result = ditto({"-c", "-k", "--keepParent"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, testing::HasSubstr("pipe"));
  EXPECT_EQ(readFile(archive), "earlier archive");
  for (const auto& item : fs::directory_iterator(tmp.path()))
    EXPECT_TRUE(item.path() == archive || item.path() == bundle) << "left behind: " << item.path();
}

}  // namespace
