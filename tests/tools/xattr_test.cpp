#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>

#include "tests/support/temp_dir.hpp"
#include "tests/tools/tool_process.hpp"

namespace fs = std::filesystem;

namespace {

bool hasAttribute(const fs::path& path, const char* name) { return ::lgetxattr(path.c_str(), name, nullptr, 0) >= 0; }

// A bundle with attributes on files and folders at every depth, a link inside
// it, and a file outside that the link points to.
class Xattr : public testing::Test {
 protected:
  void SetUp() override {
    testing_support::writeFile(bundle / "Contents/Info.plist", "<plist/>");
    testing_support::writeFile(bundle / "Contents/MacOS/App", "#!/bin/sh\n");
    testing_support::writeFile(bundle / "Contents/Resources/Site/deep/index.html", "<p>");
    testing_support::writeFile(outside, "not part of the bundle");
    fs::create_symlink(outside, bundle / "Contents/Resources/link");
    for (const auto& path : marked) {
      if (::setxattr(path.c_str(), "user.xdg.origin.url", "https://example.com", 19, 0) != 0) {
        if (errno == ENOTSUP || errno == EOPNOTSUPP) GTEST_SKIP() << "no user attributes on this file system";
        FAIL() << "setxattr " << path << ": " << std::strerror(errno);
      }
      ASSERT_EQ(::setxattr(path.c_str(), "user.other", "1", 1, 0), 0);
    }
  }

  testing_support::TempDir tmp;
  fs::path bundle = tmp / "My App.app";
  fs::path outside = tmp / "outside.txt";
  std::vector<fs::path> marked{bundle,
                               bundle / "Contents/Info.plist",
                               bundle / "Contents/MacOS/App",
                               bundle / "Contents/Resources/Site/deep",
                               bundle / "Contents/Resources/Site/deep/index.html",
                               outside};
};

TEST_F(Xattr, RecursiveClearRemovesEveryAttributeBelowButNotThroughLinks) {
  auto result = tools_test::run(NIMBREL_TOOL_XATTR, {"-cr", bundle.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  for (const auto& path : marked) {
    if (path == outside) continue;
    EXPECT_FALSE(hasAttribute(path, "user.xdg.origin.url")) << path;
    EXPECT_FALSE(hasAttribute(path, "user.other")) << path;
  }
  EXPECT_TRUE(hasAttribute(outside, "user.xdg.origin.url")) << "followed the link out of the bundle";
}

TEST_F(Xattr, MissingFileIsReportedAndTheOthersStillCleared) {
  auto result = tools_test::run(NIMBREL_TOOL_XATTR, {"-c", "-r", (tmp / "gone").string(), bundle.string()});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, testing::HasSubstr("No such file: " + (tmp / "gone").string()));
  EXPECT_FALSE(hasAttribute(bundle / "Contents/MacOS/App", "user.other"));
}

}  // namespace
