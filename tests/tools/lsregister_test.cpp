#include <gio/gdesktopappinfo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/app_id.hpp"
#include "platform/gobject_ptr.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"
#include "tools/common/atomic_file.hpp"

namespace fs = std::filesystem;
namespace icns = tools::icns;
using testing_support::readFile;
using testing_support::writeFile;
using ::testing::HasSubstr;

namespace {

class Lsregister : public testing::Test {
 protected:
  tools::ProcessResult lsregister(const std::string& mode, const fs::path& bundle) {
    return tools_test::run(NIMBREL_TOOL_LSREGISTER, {mode, bundle.string()}, {{"XDG_DATA_HOME", data.string()}});
  }
  static constexpr auto appId = platform::applicationIdForBundleIdentifier;
  fs::path entryFor(const std::string& identifier) { return applications / (appId(identifier) + ".desktop"); }
  fs::path iconFor(const std::string& identifier, std::uint32_t size) {
    const std::string dims = std::to_string(size) + "x" + std::to_string(size);
    return data / "icons/hicolor" / dims / "apps" / (appId(identifier) + ".png");
  }
  std::vector<std::string> launchers() const {
    auto names = testing_support::tree(applications);
    std::erase_if(names, [](const std::string& name) { return !name.ends_with(".desktop"); });  // not the MIME cache
    return names;
  }

  testing_support::TempDir tmp;
  fs::path data = tmp / "data";
  fs::path applications = data / "applications";
  std::string identifier = "co.corvan.nimbrel.my-app-0a1b2c";
};

TEST_F(Lsregister, InstallsAValidLauncherWithThemeIconsAndReplacesItOnTheNextBuild) {
  const std::string first = "co.corvan.nimbrel.2048-0a1b2c", next = "co.corvan.nimbrel.2048-ffeedd";
  const fs::path bundle = tools_test::makeBundle(tmp / "2048.app", first);
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  EXPECT_EQ(tools_test::desktopValue(entryFor(first), "StartupWMClass"), appId(first));
  EXPECT_EQ(tools_test::desktopValue(entryFor(first), "Icon"), appId(first));
  const std::uint32_t sizes[] = {16, 32, 64, 128, 256, 512};
  for (std::uint32_t size : sizes)
    EXPECT_EQ(icns::pngSize(tools::readWholeFile(iconFor(first, size))), (icns::PixelSize{size, size}));

  // The same path again, as the next build's identifier: the old entry and icons go.
  tools_test::makeBundle(bundle, next);
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  EXPECT_EQ(launchers(), std::vector<std::string>{entryFor(next).filename()});
  for (std::uint32_t size : sizes) EXPECT_FALSE(fs::exists(iconFor(first, size))) << size;
}

// The launcher starts the bundle's executable however odd its path is.
TEST_F(Lsregister, LauncherRunsTheExecutableWhateverItsPath) {
  const fs::path bundle = tools_test::makeBundle(tmp / "Odd $HOME `x` \"q\" 'a' 100% back\\slash;.app");
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  const fs::path entry = entryFor(identifier);
  tools_test::succeeds("desktop-file-validate", {entry.string()});
  platform::GRef<GDesktopAppInfo> app = platform::adoptGRef(g_desktop_app_info_new_from_filename(entry.c_str()));
  ASSERT_TRUE(app) << "unreadable, or TryExec did not find the executable:\n" << readFile(entry);
  platform::GErrorOut error;
  ASSERT_TRUE(g_app_info_launch(G_APP_INFO(app.get()), nullptr, nullptr, error.out())) << error.message();
  const fs::path marker = bundle / "Contents/launched";
  for (int i = 0; i < 1000 && !fs::exists(marker); ++i) g_usleep(10000);
  EXPECT_TRUE(fs::exists(marker)) << readFile(entry);

  // A deleted bundle is still unregistered by its path, its link for the '%' included.
  fs::remove_all(bundle);
  ASSERT_EQ(lsregister("-u", bundle).exitStatus, 0);
  EXPECT_TRUE(launchers().empty());
  EXPECT_FALSE(fs::exists(iconFor(identifier, 16)));
  EXPECT_TRUE(fs::is_empty(data / "nimbrel/launchers"));
}

TEST_F(Lsregister, OtherBundlesAndForeignLaunchersAreLeftAlone) {
  const fs::path bundle = tools_test::makeBundle(tmp / "First.app");
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  ASSERT_EQ(lsregister("-f", tools_test::makeBundle(tmp / "Second.app", "co.corvan.nimbrel.other-1")).exitStatus, 0);
  EXPECT_EQ(launchers().size(), 2u);
  const std::string taken = "co.corvan.nimbrel.taken-000000";
  writeFile(entryFor(taken), "[Desktop Entry]\nType=Application\nName=Mine\nExec=true\n");
  tools_test::makeBundle(bundle, taken);
  auto result = lsregister("-f", bundle);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, HasSubstr("someone else"));
  EXPECT_EQ(tools_test::desktopValue(entryFor(taken), "Name"), "Mine");
  EXPECT_TRUE(fs::exists(entryFor(identifier))) << "a failed registration keeps the old one";
}

TEST_F(Lsregister, BrokenBundlesFailWithAReasonAndRegisterNothing) {
  const fs::path bundle = tools_test::makeBundle(tmp / "My App.app");
  for (const auto& [executable, reported] : {std::pair{"Gone", "executable"}, {"../../../bin/sh", "CFBundleExecutable"}}) {
    writeFile(bundle / "Contents/Info.plist", platform::plist::toXML(platform::plist::Dictionary{
                                                  {"CFBundleIdentifier", "a.b"}, {"CFBundleExecutable", executable}}));
    auto result = lsregister("-f", bundle);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.standardError, HasSubstr(reported));
  }
  EXPECT_TRUE(launchers().empty());
}

}  // namespace
