#include "builder/bundle_assembly.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builder/build_fixture.hpp"
#include "builder/bundle_identifier.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::readPlist;
using testing_support::tree;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

class BundleAssembly : public testing_support::BuildFixture {
 public:
  fs::path destination(const std::string& name = "My Cool App") const { return out / (name + ".app"); }
  void create(const builder::AppGenerator& request, const fs::path& dest) {
    builder::createBundle(request, dest, environment(), [](const std::string&) {})->commit();
  }
  fs::path site = root / "site";
};

// Keys the builder owns rewritten, the rest kept; the template's seal and asset catalogue gone.
TEST_F(BundleAssembly, WebAddressAppIsTheTemplateRenamedWithItsRecord) {
  const auto request = urlRequest();
  create(request, destination());
  auto expected = templateInfo;
  expected.erase("CFBundleIconName");
  for (const char* key : {"CFBundleName", "CFBundleDisplayName", "CFBundleExecutable"}) expected[key] = "My Cool App";
  expected["CFBundleIconFile"] = "AppIcon";
  expected["CFBundleIdentifier"] = builder::bundleIdentifier(request);
  expected["NimbrelStorageKey"] = builder::storageKey(request);
  EXPECT_EQ(readPlist(destination() / "Contents/Info.plist"), expected);
  EXPECT_EQ(tree(destination()), (Lines{"Contents/", "Contents/Info.plist", "Contents/MacOS/",
                                        "Contents/MacOS/My Cool App", "Contents/Resources/",
                                        "Contents/Resources/app.plist", "Contents/Resources/template-resource.txt"}));
}

// The old app stays whole while the new one is made beside it; the swap
// replaces it (or a link in its place, never the link's target) in one step.
TEST_F(BundleAssembly, AnAppOrLinkAtTheDestinationIsReplacedOnlyByTheFinishedBundle) {
  writeFile(destination() / "stale-file", "old");
  auto staged = builder::createBundle(urlRequest(), destination(), environment(), [](const std::string&) {});
  EXPECT_EQ(readFile(destination() / "stale-file"), "old");
  staged->commit();
  EXPECT_FALSE(fs::exists(destination() / "stale-file"));
  staged.reset();
  EXPECT_EQ(tree(out).size(), tree(destination()).size() + 1) << "the staging room went with the old app";

  writeFile(root / "elsewhere/precious", "keep me");
  for (const fs::path& target : {root / "elsewhere", root / "missing"}) {
    fs::remove_all(destination());
    fs::create_directory_symlink(target, destination());
    create(urlRequest(), destination());
    EXPECT_FALSE(fs::is_symlink(destination())) << target;
    EXPECT_TRUE(fs::exists(destination() / "Contents/Info.plist")) << target;
  }
  EXPECT_EQ(tree(root / "elsewhere"), Lines{"precious"});
}

// Each refusal names the problem and leaves the disk as it was.
TEST_F(BundleAssembly, RefusalsChangeNothing) {
  auto refused = [&](const builder::AppGenerator& request, const fs::path& dest, const char* says) {
    const auto before = tree(root.path());
    EXPECT_THAT([&] { create(request, dest); },
                testing::ThrowsMessage<builder::GeneratorError>(testing::HasSubstr(says)));
    EXPECT_EQ(tree(root.path()), before) << says;
  };
  writeFile(out / "Docs.App/mine", "x");  // not exactly ".app": the user's, never replaced
  refused(urlRequest("Docs"), out / "Docs.App", "\u201CDocs.App\u201D already exists");
  writeFile(site / "pages/index.html", "<html></html>");  // start pages count only at the top level
  refused(folderRequest(site), destination("Docs"), "That folder doesn't contain an index.html file.");
  const fs::path info = resources / "Runlet.app/Contents/Info.plist";
  writeFile(info, "<plist version=\"1.0\"><array><string>x</string></array></plist>");
  refused(urlRequest(), destination(), "Could not read the app's Info.plist.");
  fs::remove_all(resources / "Runlet.app");
  refused(urlRequest(), destination(), "The app template is missing");
}

// The start page is the first known name at the top level, else any page there.
TEST_F(BundleAssembly, LocalSiteCopiesItsVisibleTopLevelEntriesAndRecordsTheStartPage) {
  auto startPage = [&] {
    create(folderRequest(site), destination("Docs"));
    return platform::plist::lookup<std::string>(readPlist(destination("Docs") / "Contents/Resources/app.plist"),
                                                "indexFile");
  };
  writeFile(site / "Home.HTML", "<p>home</p>");
  EXPECT_EQ(startPage(), "Home.HTML");
  fs::remove(site / "Home.HTML");
  writeFile(site / "default.html", "<p>other</p>");
  writeFile(site / "index.htm", "<p>start</p>");
  writeFile(site / ".git/config", "secret");
  writeFile(site / "css/.keep", "");  // hidden entries below the top level are part of the site
  writeFile(site / "css/site.css", "body{}");
  fs::create_symlink("css/site.css", site / "style-link.css");
  EXPECT_EQ(startPage(), "index.htm");
  const fs::path copied = destination("Docs") / "Contents/Resources/Site";
  EXPECT_EQ(tree(copied), (Lines{"css/", "css/.keep", "css/site.css", "default.html", "index.htm", "style-link.css"}));
  EXPECT_EQ(readFile(copied / "css/site.css"), "body{}");
  EXPECT_TRUE(fs::is_symlink(copied / "style-link.css"));
}

}  // namespace
