#include "platform/app_id.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <set>

#include "builder/bundle_identifier.hpp"
#include "tests/builder/build_fixture.hpp"
#include "platform/gobject_ptr.hpp"
#include "runtime/app_identity.hpp"
#include "tests/tools/fixtures.hpp"

namespace {

namespace fs = std::filesystem;

TEST(ApplicationId, IsValidForGLibAndReadable) {
  const std::pair<std::string, const char*> rows[] = {
      {"co.corvan.nimbrel.my-cool-app-1a2b3c", "co.corvan.nimbrel.my-cool-app-1a2b3c"},
      {"co.corvan.nimbrel.2048-abcdef", "co.corvan.nimbrel._2048-abcdef"},
      {"co.corvan.nimbrel.caf\u00e9-00ff00", "co.corvan.nimbrel.caf_c3_a9-00ff00"},
      {"co.corvan..nimbrel.", "co.corvan.nimbrel"},
      {"single", "app.single"},
      {"...", "app.unnamed"},
      {std::string("nul\0byte.x", 10), "nul_00byte.x"},
  };
  for (const auto& [bundleIdentifier, expected] : rows) {
    const std::string id = platform::applicationIdForBundleIdentifier(bundleIdentifier);
    EXPECT_TRUE(g_application_id_is_valid(id.c_str())) << id;
    EXPECT_EQ(id, expected);
  }
}

// Names a user may type, followed through the builder's identifiers, the
// launcher the registration tool writes, and the ids Runlet gives its window
// and its web data: always valid, short enough for a file name, one per app,
// and the launcher's StartupWMClass is the window's id.
TEST(AppIdentity, EveryNameGivesOneValidIdForLauncherWindowAndStorage) {
  const std::vector<std::string> names{
      "Caf\u00e9", "Caf\u00e8", std::string(243, 'a'), std::string(242, 'a') + "b",
      // 26 Japanese characters, three bytes each and six more when escaped.
      "\u65e5\u672c\u8a9e\u306e\u30a2\u30d7\u30ea\u3092\u4f5c\u308b\u305f\u3081\u306e\u3068\u3066\u3082\u9577\u3044"
      "\u540d\u524d\u3067\u3059\u306d\u3002",
      "\u65e5\u672c\u8a9e\u306e\u30a2\u30d7\u30ea\u3092\u4f5c\u308b\u305f\u3081\u306e\u3068\u3066\u3082\u9577\u3044"
      "\u540d\u524d\u3067\u3059\u3088\u3002",
      "\U0001F680\U0001F468\u200D\U0001F469\u200D\U0001F467"};
  std::set<std::string> windows, folders;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto request = testing_support::appRequest(names[i], builder::SiteSource::url("example.org"));
    const std::string identifier = builder::bundleIdentifier(request);
    const std::string window = runlet::applicationId(identifier);
    EXPECT_TRUE(g_application_id_is_valid(window.c_str())) << window;
    EXPECT_LE(window.size(), platform::maxApplicationIdLength) << window;
    windows.insert(window);

    const platform::plist::Dictionary info{{"CFBundleIdentifier", identifier},
                                           {platform::storageKeyInfoKey, builder::storageKey(request)}};
    const std::string folder = runlet::storageFolders(runlet::storageKey(info)).data.filename().string();
    EXPECT_TRUE(g_application_id_is_valid(folder.c_str())) << folder;
    folders.insert(folder);
    EXPECT_EQ(window, platform::applicationIdForBundleIdentifier(identifier)) << "the launcher's StartupWMClass";
  }
  EXPECT_EQ(windows.size(), names.size());
  EXPECT_EQ(folders.size(), names.size());
}

// A rebuild (new identifier, same key) finds the same web data; an app built
// before there were keys keeps the folder of its identifier.
TEST(AppIdentity, WebDataFollowsTheStorageKeyElseTheIdentifier) {
  auto folder = [](const platform::plist::Dictionary& info) {
    return runlet::storageFolders(runlet::storageKey(info)).data.filename().string();
  };
  const std::string key = "co.corvan.nimbrel.docs-0123456789abcdef";
  EXPECT_EQ(folder({{"CFBundleIdentifier", "co.corvan.nimbrel.docs-bbbbbb"}, {platform::storageKeyInfoKey, key}}), key);
  EXPECT_EQ(folder({{"CFBundleIdentifier", "co.corvan.nimbrel.docs-aaaaaa"}}), "co.corvan.nimbrel.docs-aaaaaa");
  EXPECT_EQ(folder({}), "co.corvan.runlet");
}

}  // namespace
