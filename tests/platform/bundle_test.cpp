#include "platform/bundle.hpp"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"

namespace {

TEST(Bundle, FoundFromItsExecutableWithResourcesAndInfoDictionary) {
  EXPECT_EQ(platform::bundlePathForExecutable("/x/A.app/Contents/MacOS/a"), "/x/A.app");
  EXPECT_FALSE(platform::bundlePathForExecutable("/usr/bin/a"));
  testing_support::TempDir dir;
  platform::Bundle bundle(dir / "X.app");
  testing_support::writeFile(bundle.resourcesPath() / "app.plist", "x");
  testing_support::writeFile(bundle.infoPlistPath(),
                             platform::plist::toXML(platform::plist::Dictionary{{"CFBundleIdentifier", "a.b.c"}}));
  EXPECT_EQ(bundle.pathForResource("app", "plist"), bundle.resourcesPath() / "app.plist");
  EXPECT_FALSE(bundle.pathForResource("missing", "plist"));
  EXPECT_EQ(bundle.identifier(), "a.b.c");
  EXPECT_FALSE(platform::Bundle(dir / "None.app").identifier());
}

}  // namespace
