#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <cerrno>

#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"

namespace fs = std::filesystem;

namespace {

// Attributes at every depth of a bundle and on a file outside it that a link
// inside points to: every one below the bundle goes, none through the link; a
// missing path is named and the others still cleared.
TEST(Xattr, RecursiveClearRemovesEveryAttributeBelowButNotThroughLinks) {
  testing_support::TempDir tmp;
  const fs::path bundle = tmp / "My App.app", outside = tmp / "outside.txt";
  testing_support::writeFile(bundle / "Contents/MacOS/App", "#!/bin/sh\n");
  testing_support::writeFile(bundle / "Contents/Resources/Site/deep/index.html", "<p>");
  testing_support::writeFile(outside, "not part of the bundle");
  fs::create_symlink(outside, bundle / "Contents/Resources/link");
  const std::vector<fs::path> marked{bundle, bundle / "Contents/MacOS/App", bundle / "Contents/Resources/Site/deep",
                                     bundle / "Contents/Resources/Site/deep/index.html", outside};
  for (const auto& path : marked) {
    for (const char* name : {"user.xdg.origin.url", "user.other"}) {
      if (::setxattr(path.c_str(), name, "x", 1, 0) != 0) GTEST_SKIP() << "no user attributes here: " << errno;
    }
  }
  auto result = tools_test::run(NIMBREL_TOOL_XATTR, {"-cr", (tmp / "gone").string(), bundle.string()});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, testing::HasSubstr("No such file: " + (tmp / "gone").string()));
  for (const auto& path : marked) {
    for (const char* name : {"user.xdg.origin.url", "user.other"})
      EXPECT_EQ(::lgetxattr(path.c_str(), name, nullptr, 0) >= 0, path == outside) << path << " " << name;
  }
}

}  // namespace
