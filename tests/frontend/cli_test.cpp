// End to end: the real nimbrel binary, with its template and images, run
// against a private copy of its bundle whose tools are recording fakes (and,
// where the stand-in tools are built, once with those).

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>

#include "builder/fake_tools.hpp"
#include "builder/subprocess.hpp"
#include "platform/image.hpp"
#include "platform/plist.hpp"
#include "support/loopback_http_server.hpp"
#include "support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

const fs::path builtBundle = NIMBREL_BUNDLE_DIR;
const fs::path nimbrel = fs::path(NIMBREL_BINARY_DIR) / "nimbrel";

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    bundle = root / "Nimbrel.app";
    const fs::path resources = bundle / "Contents" / "Resources";
    fs::create_directories(resources);
    fs::copy(builtBundle / "Contents/Resources/Runlet.app", resources / "Runlet.app",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::copy_file(builtBundle / "Contents/Info.plist", bundle / "Contents/Info.plist");
    for (const char* image : {"bgtemplate.png", "DefaultIcon.png"}) {
      fs::copy_file(fs::path(NIMBREL_SOURCE_DIR) / "resources/images" / image, resources / image);
    }
    tools.emplace(resources / "tools");
    fs::create_directories(out);
    fs::create_directories(home / "tmp");
  }

  // Runs nimbrel with `args` in `workingDir`, its user folders inside the test's folder.
  builder::ToolOutput run(const std::vector<std::string>& args, const fs::path& workingDir = {}) {
    std::vector<std::string> command{"/usr/bin/env", "-C", (workingDir.empty() ? root.path() : workingDir).string(),
                                     "NIMBREL_MAIN_BUNDLE=" + bundle.string(), "TMPDIR=" + (home / "tmp").string(),
                                     "XDG_DATA_HOME=" + (home / "data").string(),
                                     "XDG_CONFIG_HOME=" + (home / "config").string(), nimbrel.string()};
    command.insert(command.end(), args.begin(), args.end());
    return builder::runAndWait(command);
  }

  static std::string python(const std::string& script, const fs::path& file) {
    return builder::runAndWait({"/usr/bin/python3", "-c", script, file.string()}).out;
  }

  testing_support::TempDir root;
  fs::path bundle;
  fs::path out = root / "out";
  fs::path home = root / "home";
  std::optional<testing_support::FakeTools> tools;
};

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

TEST_F(CommandLine, WebAddressBuildPrintsTheAppAndWritesTheRecord) {
  auto result = run({"build", "--url", "example.org", "--name", "My Cool App", "--out", out.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const fs::path app = out / "My Cool App.app";
  EXPECT_EQ(result.out, app.string() + "\n");
  EXPECT_EQ(result.err, "Creating app bundle\u2026\nGenerating icon\u2026\nSigning app\u2026\n");
  EXPECT_EQ(python(dumpPlist, app / "Contents/Resources/app.plist"),
            "fullcontent bool False\n"
            "indexFile str 'index.html'\n"
            "name str 'My Cool App'\n"
            "type str 'url'\n"
            "url str 'example.org'\n");
  const std::string info = python(dumpPlist, app / "Contents/Info.plist");
  EXPECT_NE(info.find("CFBundleExecutable str 'My Cool App'\n"), std::string::npos) << info;
  EXPECT_NE(info.find("CFBundleIconFile str 'AppIcon'\n"), std::string::npos) << info;
  EXPECT_EQ(info.find("CFBundleIconName"), std::string::npos) << info;
  EXPECT_TRUE(
      std::regex_search(info, std::regex("CFBundleIdentifier str 'co\\.corvan\\.nimbrel\\.my-cool-app-[0-9a-f]{6}'")))
      << info;
  EXPECT_TRUE(fs::exists(app / "Contents/MacOS/My Cool App"));
  EXPECT_EQ(tools->toolsRun(), (std::vector<std::string>{"iconutil", "xattr", "codesign", "lsregister"}));
}

TEST_F(CommandLine, OptionsReachTheRequest) {
  writeFile(root / "site" / "index.htm", "<p>hi</p>");
  writeFile(root / "site" / "other.html", "<p>other</p>");
  writeFile(root / "site" / ".git" / "HEAD", "ref");
  auto result = run({"build", "--folder", "site", "--name", "Docs", "--out", "out", "--no-title-bar", "--color",
                     "#1a2B3c", "--developer-id", "Developer ID Application: Jane (X1)", "--notary-profile", "notary"});
  ASSERT_EQ(result.status, 0) << result.err;
  // Relative folders are taken from the working folder; the printed path is absolute.
  const fs::path app = out / "Docs.app";
  EXPECT_EQ(result.out, app.string() + "\n");
  EXPECT_EQ(python(dumpPlist, app / "Contents/Resources/app.plist"),
            "fullcontent bool True\n"
            "indexFile str 'index.htm'\n"
            "name str 'Docs'\n"
            "type str 'local'\n"
            "url str ''\n");
  EXPECT_TRUE(fs::exists(app / "Contents/Resources/Site/other.html"));
  EXPECT_FALSE(fs::exists(app / "Contents/Resources/Site/.git"));
  EXPECT_EQ(tools->toolsRun(),
            (std::vector<std::string>{"iconutil", "xattr", "codesign", "ditto", "xcrun", "xcrun", "lsregister"}));
  EXPECT_NE(tools->calls()[2].find("[--sign] [Developer ID Application: Jane (X1)] "), std::string::npos);
  EXPECT_NE(result.err.find("Stapling notarization ticket\u2026\n"), std::string::npos);
  // The colour reached the icon: inside the shape, left of the picture.
  EXPECT_EQ(iconPixel(tools->iconSetSnapshot(), 150), 0xff1a2b3cu);
}

TEST_F(CommandLine, FailedBuildsExitOneAndAnExistingAppIsKeptUnlessReplaceIsGiven) {
  writeFile(root / "site" / "index.php", "<?php");
  auto noPage = run({"build", "--folder", "site", "--name", "Site", "--out", out.string()});
  EXPECT_EQ(noPage.status, 1);
  EXPECT_TRUE(noPage.out.empty());
  EXPECT_TRUE(noPage.err.ends_with("That folder doesn't contain an index.html file.\n")) << noPage.err;
  EXPECT_FALSE(fs::exists(out / "Site.app"));

  writeFile(out / "Docs.app" / "mine", "keep");
  auto refused = run({"build", "--url", "example.org", "--name", "Docs", "--out", out.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("\u201CDocs.app\u201D already exists in that folder."), std::string::npos) << refused.err;
  EXPECT_EQ(readFile(out / "Docs.app" / "mine"), "keep");
  EXPECT_TRUE(tools->calls().empty());

  auto replaced = run({"build", "--url", "example.org", "--name", "Docs", "--out", out.string(), "--replace"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_FALSE(fs::exists(out / "Docs.app" / "mine"));
  EXPECT_TRUE(fs::exists(out / "Docs.app/Contents/Resources/app.plist"));
}

TEST_F(CommandLine, IdentifierChangesBetweenRunsOfNimbrel) {
  // The identifier's hash is keyed per run: two runs agreeing would be a 1 in 16 million chance.
  auto identifier = [&](const char* folder) {
    fs::create_directories(out / folder);
    // Without --out the app goes into the working folder.
    auto result = run({"build", "--url", "example.org", "--name", "Docs"}, out / folder);
    EXPECT_EQ(result.out, (out / folder / "Docs.app").string() + "\n");
    return python("import plistlib,sys; print(plistlib.load(open(sys.argv[1],'rb'))['CFBundleIdentifier'])",
                  out / folder / "Docs.app/Contents/Info.plist");
  };
  EXPECT_NE(identifier("a"), identifier("b"));
}

struct RefusedCase {
  const char* name;
  const char* args;  // split at blanks; '' is an empty argument
  const char* message;  // part of what stderr must say
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedInput : public CommandLine, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInput, ExitsWithTwoAndWritesNothing) {
  writeFile(root / "site" / "index.html", "<p>hi</p>");
  writeFile(root / "broken.png", "not a picture");
  std::vector<std::string> args;
  std::istringstream words(GetParam().args);
  for (std::string word; words >> word;) args.push_back(word == "''" ? "" : word);
  auto result = run(args);
  EXPECT_EQ(result.status, 2) << result.err;
  EXPECT_TRUE(result.out.empty());
  EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_TRUE(tools->calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedInput,
    ::testing::Values(
        RefusedCase{"UnknownCommand", "frobnicate", "A subcommand is required"},
        RefusedCase{"UnknownOption", "build --url a.org --name A --out out --bogus", "--bogus"},
        RefusedCase{"NoName", "build --url a.org --out out", "--name is required"},
        RefusedCase{"NoSite", "build --name A --out out", "--url ADDRESS or --folder DIR"},
        RefusedCase{"BothSites", "build --url a.org --folder site --name A --out out", "excludes"},
        RefusedCase{"ProfileWithoutIdentity", "build --url a.org --name A --out out --notary-profile p",
                    "requires --developer-id"},
        RefusedCase{"FetchIconForFolder", "build --folder site --name A --out out --fetch-icon", "requires --url"},
        RefusedCase{"MissingFolder", "build --folder nowhere --name A --out out", "nowhere"},
        RefusedCase{"MissingOut", "build --url a.org --name A --out out/none", "out/none"},
        RefusedCase{"UnreadableIcon", "build --url a.org --name A --out out --icon broken.png", "broken.png"},
        RefusedCase{"ColourName", "build --url a.org --name A --out out --color red", "#RRGGBB"},
        RefusedCase{"EmptyName", "build --url a.org --name '' --out out", "name"}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLine, SavedSettingsSignAndStyleUnlessAnOptionOverrides) {
  namespace plist = platform::plist;
  writeFile(home / "config/co.corvan.nimbrel/defaults.plist",
            plist::toXML(plist::Dictionary{{"signing.useDeveloperID", true},
                                           {"signing.identity", "Saved Identity"},
                                           {"general.showTitleBar", false}}));
  auto saved = run({"build", "--url", "example.org", "--name", "A", "--out", out.string()});
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_NE(tools->calls()[2].find("[--sign] [Saved Identity] "), std::string::npos) << tools->calls()[2];
  EXPECT_NE(python(dumpPlist, out / "A.app/Contents/Resources/app.plist").find("fullcontent bool True"),
            std::string::npos);

  auto overridden = run({"build", "--url", "example.org", "--name", "A", "--out", out.string(), "--replace",
                         "--developer-id", "Other Identity"});
  ASSERT_EQ(overridden.status, 0) << overridden.err;
  EXPECT_NE(tools->calls().back().find("lsregister"), std::string::npos);
  bool otherUsed = false;
  for (const auto& call : tools->calls()) otherUsed |= call.find("[--sign] [Other Identity] ") != std::string::npos;
  EXPECT_TRUE(otherUsed);
}

TEST_F(CommandLine, FetchIconTakesTheSitesOwnIconOrSaysNoneWasFound) {
  auto red = platform::Image::create(300, 300);
  cairo_t* cr = cairo_create(red->surface());
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  const auto png = red->pngData();
  testing_support::LoopbackHttpServer server;
  server.routes().Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"(<html><head><link rel="icon" href="/big.png"></head></html>)", "text/html");
  });
  server.routes().Get("/big.png", [&png](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(png.begin(), png.end()), "image/png");
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
            std::string::npos)
      << none.err;
  EXPECT_NE(iconPixel(tools->iconSetSnapshot(), 512), 0xffff0000u);
}

// The same build with Nimbrel's own stand-in tools, where they are built.
TEST_F(CommandLine, BuildWithTheStandInToolsHasIconSealAndLauncher) {
  const fs::path standIns = builtBundle / "Contents/Resources/tools";
  for (const char* tool : {"iconutil", "xattr", "codesign", "ditto", "xcrun", "lsregister"}) {
    if (::access((standIns / tool).c_str(), X_OK) != 0) GTEST_SKIP() << "stand-in tools are not built";
  }
  fs::remove_all(bundle / "Contents/Resources/tools");
  fs::create_directory_symlink(standIns, bundle / "Contents/Resources/tools");
  auto result = run({"build", "--url", "example.org", "--name", "Stand In", "--out", out.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const fs::path app = out / "Stand In.app";
  EXPECT_TRUE(fs::exists(app / "Contents/Resources/AppIcon.icns"));
  EXPECT_FALSE(fs::exists(app / "Contents/Resources/AppIcon.iconset"));
  EXPECT_TRUE(fs::exists(app / "Contents/_CodeSignature/CodeResources"));
  bool launcher = false;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(home / "data", ec)) {
    if (e.path().extension() == ".desktop" && readFile(e.path()).find(app.string()) != std::string::npos)
      launcher = true;
  }
  EXPECT_TRUE(launcher) << "no launcher for the app below " << home / "data";
}

}  // namespace
