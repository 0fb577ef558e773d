#include "builder/bundle_assembly.hpp"

#include <gtest/gtest.h>

#include "builder/build_fixture.hpp"
#include "builder/bundle_identifier.hpp"

namespace {

namespace fs = std::filesystem;
namespace plist = platform::plist;
using builder::GeneratorError;
using testing_support::generatorErrorOf;
using testing_support::readFile;
using testing_support::writeFile;

class BundleAssembly : public testing_support::BuildFixture {
 protected:
  fs::path destination(const std::string& name = "My Cool App") const { return out / (name + ".app"); }

  // Assembles the app and puts it in place, as a finished build would.
  void create(const builder::AppGenerator& request, const fs::path& dest) {
    builder::createBundle(request, dest, environment(), [this](const std::string& text) { progress.push_back(text); })
        ->commit();
  }

  std::vector<std::string> progress;
  fs::path site = root / "site";
};

TEST_F(BundleAssembly, WebAddressAppHasRewrittenInfoPlistRenamedExecutableAndRecord) {
  auto request = urlRequest("My Cool App");
  request.fullContent = true;
  create(request, destination());
  const fs::path contents = destination() / "Contents";

  auto info = readPlist(contents / "Info.plist");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleName"), "My Cool App");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleDisplayName"), "My Cool App");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleExecutable"), "My Cool App");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleIconFile"), "AppIcon");
  EXPECT_TRUE(plist::lookup<std::string>(info, "CFBundleIdentifier")->starts_with("co.corvan.nimbrel.my-cool-app-"));
  EXPECT_EQ(plist::lookup<std::string>(info, "NimbrelStorageKey"), builder::storageKey(request));
  EXPECT_EQ(info.count("CFBundleIconName"), 0u);
  // Keys the builder does not own stay as the template had them.
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleShortVersionString"), "2.5.1");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleVersion"), "77");
  EXPECT_EQ(plist::lookup<std::string>(info, "LSMinimumSystemVersion"), "11.0");

  EXPECT_TRUE(fs::exists(contents / "MacOS" / "My Cool App"));
  EXPECT_FALSE(fs::exists(contents / "MacOS" / "Runlet"));
  EXPECT_FALSE(fs::exists(contents / "_CodeSignature"));
  EXPECT_FALSE(fs::exists(contents / "CodeResources"));
  EXPECT_FALSE(fs::exists(contents / "Resources" / "Assets.car"));
  EXPECT_EQ(readFile(contents / "Resources" / "template-resource.txt"), "kept");
  EXPECT_FALSE(fs::exists(contents / "Resources" / "Site"));

  const plist::Dictionary expected{
      {"name", "My Cool App"}, {"type", "url"}, {"url", "example.org"}, {"indexFile", "index.html"}, {"fullcontent", true}};
  EXPECT_EQ(readPlist(contents / "Resources" / "app.plist"), expected);
  EXPECT_EQ(progress, std::vector<std::string>{"Creating app bundle\u2026"});
}

TEST_F(BundleAssembly, BlankNameKeepsItsBlanksExceptInTheExecutable) {
  create(urlRequest("   "), destination("   "));
  const fs::path contents = destination("   ") / "Contents";
  auto info = readPlist(contents / "Info.plist");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleName"), "   ");
  EXPECT_EQ(plist::lookup<std::string>(info, "CFBundleExecutable"), "App");
  EXPECT_TRUE(plist::lookup<std::string>(info, "CFBundleIdentifier")->starts_with("co.corvan.nimbrel.app-"));
  EXPECT_TRUE(fs::exists(contents / "MacOS" / "App"));
  EXPECT_EQ(plist::lookup<std::string>(readPlist(contents / "Resources" / "app.plist"), "name"), "   ");
}

// The old app stays whole while the new one is made beside it; the swap
// replaces it (or a link in its place, never the link's target) in one step.
TEST_F(BundleAssembly, AnAppOrLinkAtTheDestinationIsReplacedOnlyByTheFinishedBundle) {
  writeFile(destination() / "stale-file", "old");
  auto staged = builder::createBundle(urlRequest(), destination(), environment(), [](const std::string&) {});
  EXPECT_EQ(staged->bundle().parent_path().parent_path(), out);
  EXPECT_EQ(staged->bundle().filename(), destination().filename());
  EXPECT_EQ(readFile(destination() / "stale-file"), "old");
  staged->commit();
  EXPECT_FALSE(fs::exists(destination() / "stale-file"));
  EXPECT_TRUE(fs::exists(destination() / "Contents/Info.plist"));
  staged.reset();
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);  // the room went with the old app

  const fs::path elsewhere = root / "elsewhere";
  writeFile(elsewhere / "precious", "keep me");
  fs::remove_all(destination());
  fs::create_directory_symlink(elsewhere, destination());
  create(urlRequest(), destination());
  EXPECT_EQ(readFile(elsewhere / "precious"), "keep me");
  EXPECT_FALSE(fs::is_symlink(destination()));
  fs::remove_all(destination());
  fs::create_symlink(root / "missing", destination());
  create(urlRequest(), destination());
  EXPECT_TRUE(fs::exists(destination() / "Contents/Info.plist"));
}

TEST_F(BundleAssembly, ItemWhoseExtensionIsNotExactlyAppIsLeftAlone) {
  const fs::path dest = out / "Docs.App";
  writeFile(dest / "mine", "x");
  auto error = generatorErrorOf([&] { create(urlRequest("Docs"), dest); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind(), GeneratorError::Kind::destinationExists);
  EXPECT_EQ(error->payload(), "Docs.App");
  EXPECT_EQ(readFile(dest / "mine"), "x");
  EXPECT_TRUE(progress.empty());
}

TEST_F(BundleAssembly, MissingTemplateChangesNothing) {
  fs::remove_all(resources / "Runlet.app");
  writeFile(destination() / "old", "x");
  EXPECT_EQ(generatorErrorOf([&] { create(urlRequest(), destination()); }).value().kind(),
            GeneratorError::Kind::templateMissing);
  EXPECT_EQ(readFile(destination() / "old"), "x");
}

class BrokenInfoPlist : public BundleAssembly, public ::testing::WithParamInterface<const char*> {};

TEST_P(BrokenInfoPlist, FailsWithFileErrorAndLeavesNothing) {
  const fs::path info = resources / "Runlet.app/Contents/Info.plist";
  std::string(GetParam()) == "missing" ? (void)fs::remove(info) : writeFile(info, GetParam());
  auto error = generatorErrorOf([&] { create(urlRequest(), destination()); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind(), GeneratorError::Kind::fileError);
  EXPECT_STREQ(error->what(), "Could not read the app's Info.plist.");
  EXPECT_TRUE(fs::is_empty(out));
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenInfoPlist,
                         ::testing::Values("missing", "not a property list",
                                           "<plist version=\"1.0\"><array><string>x</string></array></plist>"));

TEST_F(BundleAssembly, LocalSiteCopiesVisibleTopLevelEntriesAndFindsTheStartPage) {
  writeFile(site / "index.htm", "<p>start</p>");
  writeFile(site / "home.html", "<p>home</p>");
  writeFile(site / ".git" / "config", "secret");
  writeFile(site / ".DS_Store", "junk");
  writeFile(site / "css" / ".keep", "");
  writeFile(site / "css" / "site.css", "body{}");
  fs::create_symlink("css/site.css", site / "style-link.css");

  create(folderRequest(site), destination("Docs"));
  const fs::path copied = destination("Docs") / "Contents/Resources/Site";
  EXPECT_EQ(readFile(copied / "index.htm"), "<p>start</p>");
  EXPECT_EQ(readFile(copied / "css/site.css"), "body{}");
  EXPECT_TRUE(fs::exists(copied / "css/.keep"));  // hidden entries below the top level are part of the site
  EXPECT_FALSE(fs::exists(copied / ".git"));
  EXPECT_FALSE(fs::exists(copied / ".DS_Store"));
  EXPECT_TRUE(fs::is_symlink(copied / "style-link.css"));

  const plist::Dictionary expected{
      {"name", "Docs"}, {"type", "local"}, {"url", ""}, {"indexFile", "index.htm"}, {"fullcontent", false}};
  EXPECT_EQ(readPlist(destination("Docs") / "Contents/Resources/app.plist"), expected);
  EXPECT_EQ(progress, (std::vector<std::string>{"Creating app bundle\u2026", "Bundling website files\u2026"}));
}

struct StartPageCase {
  std::vector<const char*> files;
  const char* startPage;
};

class StartPage : public BundleAssembly, public ::testing::WithParamInterface<StartPageCase> {};

TEST_P(StartPage, IsFoundAtTheTopLevel) {
  for (const char* file : GetParam().files) writeFile(site / file, "<html></html>");
  create(folderRequest(site), destination("Docs"));
  EXPECT_EQ(plist::lookup<std::string>(readPlist(destination("Docs") / "Contents/Resources/app.plist"), "indexFile"),
            GetParam().startPage);
}

INSTANTIATE_TEST_SUITE_P(Rules, StartPage,
                         ::testing::Values(StartPageCase{{"default.html", "index.html"}, "index.html"},
                                           StartPageCase{{"default.html", "a.html"}, "default.html"},
                                           StartPageCase{{"Home.HTML", "notes.txt"}, "Home.HTML"}));

TEST_F(BundleAssembly, SiteWithoutTopLevelPageFailsAndLeavesNothing) {
  writeFile(site / "index.php", "<?php");
  writeFile(site / "pages" / "index.html", "<html></html>");
  writeFile(site / "old.htm", "<html></html>");
  EXPECT_EQ(generatorErrorOf([&] { create(folderRequest(site), destination("Docs")); }).value().kind(),
            GeneratorError::Kind::localFolderHasNoHTML);
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_TRUE(fs::exists(site / "index.php"));  // the source is never touched
}

}  // namespace
