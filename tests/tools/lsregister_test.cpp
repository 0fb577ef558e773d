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

constexpr std::uint32_t kThemeSizes[] = {16, 32, 64, 128, 256, 512};

class Lsregister : public testing::Test {
 protected:
  tools::ProcessResult lsregister(const std::string& mode, const fs::path& bundle) {
    return tools_test::run(NIMBREL_TOOL_LSREGISTER, {mode, bundle.string()}, {{"XDG_DATA_HOME", data.string()}});
  }

  fs::path entryFor(const std::string& identifier) {
    return applications / (platform::applicationIdForBundleIdentifier(identifier) + ".desktop");
  }
  fs::path iconFor(const std::string& identifier, std::uint32_t size) {
    std::string dims = std::to_string(size) + "x" + std::to_string(size);
    return data / "icons/hicolor" / dims / "apps" / (platform::applicationIdForBundleIdentifier(identifier) + ".png");
  }

  std::vector<std::string> launchers() const {
    auto names = testing_support::tree(applications);
    std::erase_if(names, [](const std::string& name) { return !name.ends_with(".desktop"); });  // not the MIME cache
    return names;
  }

  testing_support::TempDir tmp;
  fs::path data = tmp / "data";
  fs::path applications = data / "applications";
  tools_test::BundleLayout layout;
};

TEST_F(Lsregister, InstallsAValidLauncherWithThemeIconsAndReplacesItOnTheNextBuild) {
  layout.identifier = "co.corvan.nimbrel.2048-0a1b2c";  // not valid as an application id as it stands
  fs::path bundle = tools_test::makeBundle(tmp / "2048.app", layout);
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  fs::path entry = entryFor(layout.identifier);
  tools_test::succeeds("desktop-file-validate", {entry.string()});
  std::string appId = platform::applicationIdForBundleIdentifier(layout.identifier);
  EXPECT_EQ(tools_test::desktopValue(entry, "Name"), "My App");
  EXPECT_EQ(tools_test::desktopValue(entry, "StartupWMClass"), appId);
  EXPECT_EQ(tools_test::desktopValue(entry, "Icon"), appId);
  EXPECT_EQ(tools_test::desktopValue(entry, "X-Nimbrel-Bundle"), fs::canonical(bundle).string());

  for (std::uint32_t size : kThemeSizes)
    EXPECT_EQ(icns::pngSize(tools::readWholeFile(iconFor(layout.identifier, size))), (icns::PixelSize{size, size}));
  EXPECT_FALSE(fs::exists(data / "icons/hicolor/1024x1024")) << "the theme has no such size";

  // Registering the same path again, as the next build's identifier, replaces the old entry and icons.
  const std::string firstId = layout.identifier;
  layout.identifier = "co.corvan.nimbrel.2048-ffeedd";
  tools_test::makeBundle(bundle, layout);
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  EXPECT_EQ(launchers(), std::vector<std::string>{entryFor(layout.identifier).filename()});
  for (std::uint32_t size : kThemeSizes) {
    EXPECT_FALSE(fs::exists(iconFor(firstId, size))) << size;
    EXPECT_TRUE(fs::exists(iconFor(layout.identifier, size))) << size;
  }
}

// The launcher starts the bundle's executable however odd its path is.
TEST_F(Lsregister, LauncherRunsTheExecutableWhateverItsPath) {
  fs::path bundle = tools_test::makeBundle(tmp / "Odd $HOME `x` \"q\" 'a' 100% back\\slash;.app", layout);
  ASSERT_EQ(lsregister("-f", bundle).exitStatus, 0);
  fs::path entry = entryFor(layout.identifier);
  tools_test::succeeds("desktop-file-validate", {entry.string()});

  platform::GRef<GDesktopAppInfo> app = platform::adoptGRef(g_desktop_app_info_new_from_filename(entry.c_str()));
  ASSERT_TRUE(app) << "unreadable, or TryExec did not find the executable:\n" << readFile(entry);
  platform::GErrorOut error;
  ASSERT_TRUE(g_app_info_launch(G_APP_INFO(app.get()), nullptr, nullptr, error.out())) << error.message();
  fs::path marker = bundle / "Contents/launched";
  for (int i = 0; i < 1000 && !fs::exists(marker); ++i) g_usleep(10000);
  EXPECT_TRUE(fs::exists(marker)) << readFile(entry);

  // A deleted bundle is still unregistered by its path, its link for the '%' included.
  fs::remove_all(bundle);
  ASSERT_EQ(lsregister("-u", bundle).exitStatus, 0);
  EXPECT_TRUE(launchers().empty());
  EXPECT_FALSE(fs::exists(iconFor(layout.identifier, 16)));
  EXPECT_TRUE(fs::is_empty(data / "nimbrel/launchers"));
}

TEST_F(Lsregister, OtherBundlesAndForeignLaunchersAreLeftAlone) {
  fs::path first = tools_test::makeBundle(tmp / "First.app", layout);
  tools_test::BundleLayout other{.identifier = "co.corvan.nimbrel.other-123456", .displayName = ""};
  fs::path second = tools_test::makeBundle(tmp / "Second.app", other);
  ASSERT_EQ(lsregister("-f", first).exitStatus, 0);
  ASSERT_EQ(lsregister("-f", second).exitStatus, 0);
  EXPECT_EQ(launchers().size(), 2u);
  EXPECT_EQ(tools_test::desktopValue(entryFor(other.identifier), "Name"), "Runlet") << "CFBundleName without a display name";

  fs::path foreign = entryFor("co.corvan.nimbrel.taken-000000");
  writeFile(foreign, "[Desktop Entry]\nType=Application\nName=Mine\nExec=true\n");
  layout.identifier = "co.corvan.nimbrel.taken-000000";
  tools_test::makeBundle(first, layout);
  auto result = lsregister("-f", first);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, HasSubstr("someone else"));
  EXPECT_EQ(tools_test::desktopValue(foreign, "Name"), "Mine");
  EXPECT_TRUE(fs::exists(entryFor("co.corvan.nimbrel.my-app-0a1b2c"))) << "a failed registration keeps the old one";
}

TEST_F(Lsregister, BrokenBundlesFailWithAReasonAndRegisterNothing) {
  fs::path bundle = tools_test::makeBundle(tmp / "My App.app", layout);
  const std::pair<platform::plist::Dictionary, const char*> cases[] = {
      {{{"CFBundleExecutable", "My App"}}, "CFBundleIdentifier"},
      {{{"CFBundleIdentifier", "a.b"}, {"CFBundleExecutable", "Gone"}}, "executable"},
      {{{"CFBundleIdentifier", "a.b"}, {"CFBundleExecutable", "../../../bin/sh"}}, "CFBundleExecutable"},
  };
  for (const auto& [info, reported] : cases) {
    writeFile(bundle / "Contents/Info.plist", platform::plist::toXML(info));
    auto result = lsregister("-f", bundle);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.standardError, HasSubstr(reported));
  }
  EXPECT_TRUE(launchers().empty());
}

}  // namespace
