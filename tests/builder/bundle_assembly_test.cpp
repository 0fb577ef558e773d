#include "builder/bundle_assembly.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builder/build_fixture.hpp"
#include "builder/bundle_identifier.hpp"

namespace {

namespace fs = std::filesystem;
namespace plist = platform::plist;
using testing_support::readFile;
using testing_support::readPlist;
using testing_support::tree;
using testing_support::writeFile;

class BundleAssembly : public testing_support::BuildFixture {
 public:
  fs::path destination(const std::string& name = "My Cool App") const { return out / (name + ".app"); }

  // Assembles the app and puts it in place, as a finished build would.
  void create(const builder::AppGenerator& request, const fs::path& dest) {
    builder::createBundle(request, dest, environment(), [this](const std::string& text) { progress.push_back(text); })
        ->commit();
  }

  std::vector<std::string> progress;
  fs::path site = root / "site";
};

// The template renamed: keys the builder owns rewritten, the rest kept; its
// seal and asset catalogue gone. A blank name keeps its blanks but in the executable.
TEST_F(BundleAssembly, WebAddressAppIsTheTemplateRenamedWithItsRecord) {
  for (const auto& [name, executable] : {std::pair{"My Cool App", "My Cool App"}, {"   ", "App"}}) {
    auto request = urlRequest(name);
    request.fullContent = true;
    create(request, destination(name));
    auto expected = templateInfo;
    expected.erase("CFBundleIconName");
    for (const char* key : {"CFBundleName", "CFBundleDisplayName"}) expected[key] = name;
    expected["CFBundleExecutable"] = executable;
    expected["CFBundleIconFile"] = "AppIcon";
    expected["CFBundleIdentifier"] = builder::bundleIdentifier(request);
    expected["NimbrelStorageKey"] = builder::storageKey(request);
    EXPECT_EQ(readPlist(destination(name) / "Contents/Info.plist"), expected);
    EXPECT_EQ(tree(destination(name)),
              (std::vector<std::string>{"Contents/", "Contents/Info.plist", "Contents/MacOS/",
                                        "Contents/MacOS/" + std::string(executable), "Contents/Resources/",
                                        "Contents/Resources/app.plist", "Contents/Resources/template-resource.txt"}));
    EXPECT_EQ(readPlist(destination(name) / "Contents/Resources/app.plist"),
              (plist::Dictionary{{"name", name},
                                 {"type", "url"},
                                 {"url", "example.org"},
                                 {"indexFile", "index.html"},
                                 {"fullcontent", true}}));
  }
  EXPECT_EQ(progress, std::vector<std::string>(2, "Creating app bundle\u2026"));
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

// Each refusal names the problem and leaves the disk (the old app, the site) as it was.
TEST_F(BundleAssembly, RefusalsChangeNothing) {
  auto refused = [&](const std::string& row, const builder::AppGenerator& request, const fs::path& dest,
                     const char* says) {
    const auto before = tree(root.path());
    try {
      create(request, dest);
      ADD_FAILURE() << row << ": no error";
    } catch (const builder::GeneratorError& e) {
      EXPECT_THAT(e.what(), testing::HasSubstr(says)) << row;
    }
    EXPECT_EQ(tree(root.path()), before) << row;
  };
  writeFile(destination() / "old", "x");
  writeFile(out / "Docs.App/mine", "x");  // an extension not exactly "app": the user's, never replaced
  refused("Docs.App", urlRequest("Docs"), out / "Docs.App", "\u201CDocs.App\u201D already exists");
  writeFile(site / "index.php", "<?php");  // start pages count only at the top level
  writeFile(site / "pages/index.html", "<html></html>");
  writeFile(site / "old.htm", "<html></html>");
  refused("no start page", folderRequest(site), destination("Docs"), "That folder doesn't contain an index.html file.");
  const fs::path info = resources / "Runlet.app/Contents/Info.plist";
  for (const char* bytes : {"not a plist", "<plist version=\"1.0\"><array><string>x</string></array></plist>", ""}) {
    *bytes ? writeFile(info, bytes) : (void)fs::remove(info);
    refused(bytes, urlRequest(), destination(), "Could not read the app's Info.plist.");
  }
  fs::remove_all(resources / "Runlet.app");
  refused("no template", urlRequest(), destination(), "The app template is missing");
}

TEST_F(BundleAssembly, LocalSiteCopiesItsVisibleTopLevelEntriesAndRecordsTheStartPage) {
  writeFile(site / "index.htm", "<p>start</p>");
  writeFile(site / "home.html", "<p>home</p>");
  writeFile(site / ".git" / "config", "secret");
  writeFile(site / ".DS_Store", "junk");
  writeFile(site / "css" / ".keep", "");  // hidden entries below the top level are part of the site
  writeFile(site / "css" / "site.css", "body{}");
  fs::create_symlink("css/site.css", site / "style-link.css");

  create(folderRequest(site), destination("Docs"));
  const fs::path copied = destination("Docs") / "Contents/Resources/Site";
  EXPECT_EQ(tree(copied), (std::vector<std::string>{"css/", "css/.keep", "css/site.css", "home.html", "index.htm",
                                                    "style-link.css"}));
  EXPECT_EQ(readFile(copied / "css/site.css"), "body{}");
  EXPECT_TRUE(fs::is_symlink(copied / "style-link.css"));
  EXPECT_EQ(readPlist(destination("Docs") / "Contents/Resources/app.plist"),
            (plist::Dictionary{
                {"name", "Docs"}, {"type", "local"}, {"url", ""}, {"indexFile", "index.htm"}, {"fullcontent", false}}));
  EXPECT_EQ(progress, (std::vector<std::string>{"Creating app bundle\u2026", "Bundling website files\u2026"}));
}

TEST_F(BundleAssembly, StartPageIsTheFirstOfTheKnownNamesAtTheTopLevel) {
  const std::pair<std::vector<const char*>, const char*> rows[] = {
      {{"default.html", "index.html"}, "index.html"},
      {{"default.html", "a.html"}, "default.html"},
      {{"Home.HTML", "notes.txt"}, "Home.HTML"},
  };
  for (const auto& [files, startPage] : rows) {
    fs::remove_all(site);
    for (const char* file : files) writeFile(site / file, "<html></html>");
    create(folderRequest(site), destination("Docs"));
    EXPECT_EQ(plist::lookup<std::string>(readPlist(destination("Docs") / "Contents/Resources/app.plist"), "indexFile"),
              startPage);
  }
}

}  // namespace
