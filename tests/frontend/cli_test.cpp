// End to end: the real nimbrel binary, with its template and images, run
// against a private copy of its bundle whose tools are recording fakes (and,
// where the stand-in tools are built, once with those).

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "cli_fixture.hpp"
#include "platform/plist.hpp"

namespace {

namespace fs = std::filesystem;
using cli_testing::CommandLine;
using cli_testing::iconPixel;
using testing_support::readFile;
using testing_support::writeFile;

// An independent reader: every key with its Python type and value.
constexpr const char* dumpPlist =
    "import plistlib, sys\n"
    "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
    "for k in sorted(d): print(k, type(d[k]).__name__, repr(d[k]))\n";

// Relative folders are taken from the working folder; the printed path is
// absolute either way. Saved settings sign and style unless an option
// overrides; a fetched icon is HostileInput's.
TEST_F(CommandLine, OptionsAndSavedSettingsReachTheRecordTheToolsAndTheIcon) {
  writeFile(root / "site" / "index.htm", "<p>hi</p>");
  const fs::path settings = home / "config/co.corvan.nimbrel/defaults.plist";
  struct Row {
    std::vector<std::string> args;
    bool savedSettings;
    std::string name, record;
    std::vector<std::string> tools;
    std::string errStart, errEnd, signedAs;
    std::uint32_t iconColour;
  };
  const Row rows[] = {
      // Host and port without a scheme name no host: nothing is asked of the network.
      {{"--url", "localhost:1", "--name", "My Cool App", "--out", out.string(), "--fetch-icon"}, true, "My Cool App",
       "fullcontent bool True\nindexFile str 'index.html'\nname str 'My Cool App'\ntype str 'url'\n"
       "url str 'localhost:1'\n",
       {"iconutil", "xattr", "codesign", "lsregister"},
       "nimbrel: no icon found for \u201Clocalhost:1\u201D; using the default picture.\nCreating app bundle\u2026\n",
       "Generating icon\u2026\nSigning with Developer ID\u2026\n", "[--sign] [Saved Identity] ", 0},
      {{"--folder", "site", "--name", "Docs", "--out", "out", "--no-title-bar", "--color", "#1a2B3c", "--developer-id",
        "Developer ID Application: Jane (X1)", "--notary-profile", "notary"}, false, "Docs",
       "fullcontent bool True\nindexFile str 'index.htm'\nname str 'Docs'\ntype str 'local'\nurl str ''\n",
       {"iconutil", "xattr", "codesign", "ditto", "xcrun", "xcrun", "lsregister"}, "Creating app bundle\u2026\n",
       "Stapling notarization ticket\u2026\n", "[--sign] [Developer ID Application: Jane (X1)] ", 0xff1a2b3cu},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(bundle / "Contents/Resources/tools/calls.log");
    if (row.savedSettings) {
      writeFile(settings, platform::plist::toXML(platform::plist::Dictionary{
                              {"signing.useDeveloperID", true}, {"signing.identity", "Saved Identity"},
                              {"general.showTitleBar", false}}));
    }
    std::vector<std::string> args{"build"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    auto result = run(args);
    fs::remove(settings);
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path app = out / (row.name + ".app");
    EXPECT_EQ(result.out, app.string() + "\n");
    EXPECT_TRUE(result.err.starts_with(row.errStart) && result.err.ends_with(row.errEnd)) << result.err;
    EXPECT_EQ(python(dumpPlist, app / "Contents/Resources/app.plist"), row.record);
    EXPECT_EQ(tools->toolsRun(), row.tools);
    EXPECT_NE(tools->calls()[2].find(row.signedAs), std::string::npos) << tools->calls()[2];
    // The colour reached the icon: inside the shape, left of the picture.
    EXPECT_TRUE(!row.iconColour || iconPixel(tools->iconSetSnapshot(), 150) == row.iconColour);
  }
}

TEST_F(CommandLine, FailedBuildsExitOneAndAnExistingAppIsKeptUnlessReplaceIsGiven) {
  writeFile(root / "site" / "index.php", "<?php");
  auto noPage = run({"build", "--folder", "site", "--name", "Site", "--out", out.string()});
  EXPECT_EQ(noPage.status, 1);
  EXPECT_TRUE(noPage.out.empty());
  EXPECT_TRUE(noPage.err.ends_with("That folder doesn't contain an index.html file.\n")) << noPage.err;
  writeFile(out / "Docs.app" / "mine", "keep");
  auto refused = run({"build", "--url", "example.org", "--name", "Docs", "--out", out.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("\u201CDocs.app\u201D already exists in that folder."), std::string::npos) << refused.err;
  EXPECT_EQ(readFile(out / "Docs.app" / "mine"), "keep");
  EXPECT_TRUE(tools->calls().empty());
  EXPECT_EQ(run({"build", "--url", "example.org", "--name", "Docs", "--out", out.string(), "--replace"}).status, 0);
  EXPECT_FALSE(fs::exists(out / "Docs.app" / "mine"));
  EXPECT_NE(tools->calls()[2].find("[--sign] [-] "), std::string::npos) << "ad hoc without settings";
  EXPECT_NE(python(dumpPlist, out / "Docs.app/Contents/Resources/app.plist").find("fullcontent bool False"),
            std::string::npos);
}

// The identifier's hash is keyed per run (two runs agreeing would be a 1 in
// 16 million chance); the web-data key is not, so a rebuild keeps its logins.
TEST_F(CommandLine, IdentifierChangesBetweenRunsOfNimbrelButTheStorageKeyStays) {
  auto keys = [&](const char* folder, const char* url) {
    fs::create_directories(out / folder);
    // Without --out the app goes into the working folder.
    EXPECT_EQ(run({"build", "--url", url, "--name", "Docs"}, out / folder).out, (out / folder / "Docs.app").string() + "\n");
    std::istringstream line(python("import plistlib,sys; d=plistlib.load(open(sys.argv[1],'rb'));"
                                   "print(d['CFBundleIdentifier'], d['NimbrelStorageKey'])",
                                   out / folder / "Docs.app/Contents/Info.plist"));
    std::pair<std::string, std::string> idAndKey;
    line >> idAndKey.first >> idAndKey.second;
    return idAndKey;
  };
  auto [firstId, firstKey] = keys("a", "example.org");
  auto [secondId, secondKey] = keys("b", "example.org");
  EXPECT_NE(firstId, secondId);
  EXPECT_EQ(firstKey, secondKey);
  EXPECT_TRUE(std::regex_match(firstKey, std::regex(R"(co\.corvan\.nimbrel\.docs-[0-9a-f]{16})"))) << firstKey;
  EXPECT_NE(keys("c", "example.com").second, firstKey);
}

}  // namespace
