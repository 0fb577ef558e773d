// End to end: the real nimbrel binary, with its template and images, run
// against a private copy of its bundle whose tools are recording fakes (and,
// where the stand-in tools are built, once with those).

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "cli_fixture.hpp"
#include "platform/image.hpp"
#include "platform/plist.hpp"
#include "support/loopback_http_server.hpp"
#include "support/picture_bytes.hpp"

namespace {

namespace fs = std::filesystem;
using cli_testing::CommandLine;
using testing_support::readFile;
using testing_support::writeFile;

// A pixel of row 512 of the largest icon: x 512 is the middle of the picture.
std::uint32_t iconPixel(const fs::path& iconSet, int x) {
  auto icon = platform::Image::load(iconSet / "icon_512x512@2x.png");
  if (!icon) return 0;
  const unsigned char* row =
      cairo_image_surface_get_data(icon->surface()) + 512 * cairo_image_surface_get_stride(icon->surface());
  return reinterpret_cast<const std::uint32_t*>(row)[x];
}

// An independent reader: every key with its Python type and value.
constexpr const char* dumpPlist =
    "import plistlib, sys\n"
    "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
    "for k in sorted(d): print(k, type(d[k]).__name__, repr(d[k]))\n";

// Relative folders are taken from the working folder; the printed path is absolute either way.
TEST_F(CommandLine, OptionsReachTheRecordTheToolsAndTheIcon) {
  writeFile(root / "site" / "index.htm", "<p>hi</p>");
  struct Row {
    std::vector<std::string> args;
    std::string name, slug, record;
    std::vector<std::string> tools;
    std::string lastProgress, signedAs;
    std::uint32_t iconColour;
  };
  const Row rows[] = {
      {{"--url", "example.org", "--name", "My Cool App", "--out", out.string()}, "My Cool App", "my-cool-app",
       "fullcontent bool False\nindexFile str 'index.html'\nname str 'My Cool App'\ntype str 'url'\n"
       "url str 'example.org'\n",
       {"iconutil", "xattr", "codesign", "lsregister"},
       "Creating app bundle\u2026\nGenerating icon\u2026\nSigning app\u2026\n", "[--sign] [-] ", 0},
      {{"--folder", "site", "--name", "Docs", "--out", "out", "--no-title-bar", "--color", "#1a2B3c", "--developer-id",
        "Developer ID Application: Jane (X1)", "--notary-profile", "notary"}, "Docs", "docs",
       "fullcontent bool True\nindexFile str 'index.htm'\nname str 'Docs'\ntype str 'local'\nurl str ''\n",
       {"iconutil", "xattr", "codesign", "ditto", "xcrun", "xcrun", "lsregister"},
       "Stapling notarization ticket\u2026\n", "[--sign] [Developer ID Application: Jane (X1)] ", 0xff1a2b3cu},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(bundle / "Contents/Resources/tools/calls.log");
    std::vector<std::string> args{"build"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    auto result = run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path app = out / (row.name + ".app");
    EXPECT_EQ(result.out, app.string() + "\n");
    EXPECT_TRUE(result.err.starts_with("Creating app bundle\u2026\n") && result.err.ends_with(row.lastProgress))
        << result.err;
    EXPECT_EQ(python(dumpPlist, app / "Contents/Resources/app.plist"), row.record);
    const std::string info = python(dumpPlist, app / "Contents/Info.plist");
    EXPECT_TRUE(std::regex_search(info, std::regex("CFBundleIdentifier str 'co\\.corvan\\.nimbrel\\." + row.slug +
                                                   "-[0-9a-f]{6}")));
    EXPECT_TRUE(fs::exists(app / "Contents/MacOS" / row.name));
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

TEST_F(CommandLine, SavedSettingsSignAndStyleUnlessAnOptionOverrides) {
  namespace plist = platform::plist;
  writeFile(home / "config/co.corvan.nimbrel/defaults.plist",
            plist::toXML(plist::Dictionary{{"signing.useDeveloperID", true},
                                           {"signing.identity", "Saved Identity"},
                                           {"general.showTitleBar", false}}));
  ASSERT_EQ(run({"build", "--url", "example.org", "--name", "A", "--out", out.string()}).status, 0);
  EXPECT_NE(tools->calls()[2].find("[--sign] [Saved Identity] "), std::string::npos) << tools->calls()[2];
  EXPECT_NE(python(dumpPlist, out / "A.app/Contents/Resources/app.plist").find("fullcontent bool True"),
            std::string::npos);
  const auto before = tools->calls().size();
  ASSERT_EQ(run({"build", "--url", "example.org", "--name", "A", "--out", out.string(), "--replace", "--developer-id",
                 "Other Identity"}).status, 0);
  EXPECT_NE(tools->calls()[before + 2].find("[--sign] [Other Identity] "), std::string::npos);
}

TEST_F(CommandLine, FetchIconTakesTheSitesOwnIconOrSaysNoneWasFound) {
  std::string red;
  for (int x = 0; x < 300; ++x) red += std::string("\xff\0\0", 3);
  const std::string png = testing_support::pngBytes(300, 300, 2, red);
  testing_support::LoopbackHttpServer server;
  server.routes().Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"(<link rel="icon" href="/big.png">)", "text/html");
  });
  server.routes().Get("/big.png", [&png](const httplib::Request&, httplib::Response& res) {
    res.set_content(png, "image/png");
  });
  server.start();
  auto found = run({"build", "--url", server.url("/"), "--name", "Site", "--out", out.string(), "--fetch-icon"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.err.find("no icon"), std::string::npos);
  EXPECT_EQ(iconPixel(tools->iconSetSnapshot(), 512), 0xffff0000u);
  // Host and port without a scheme name no host: nothing is asked of the network.
  auto none = run({"build", "--url", "localhost:1", "--name", "None", "--out", out.string(), "--fetch-icon"});
  ASSERT_EQ(none.status, 0) << none.err;
  EXPECT_NE(none.err.find("nimbrel: no icon found for \u201Clocalhost:1\u201D; using the default picture."),
            std::string::npos) << none.err;
  EXPECT_NE(iconPixel(tools->iconSetSnapshot(), 512), 0xffff0000u);
}

}  // namespace
