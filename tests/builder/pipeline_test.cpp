#include <gtest/gtest.h>

#include <map>

#include "builder/build_fixture.hpp"
#include "platform/image.hpp"

namespace {

namespace fs = std::filesystem;
using builder::GeneratorError;
using testing_support::readFile;
using testing_support::writeFile;

class Pipeline : public testing_support::BuildFixture {
 protected:
  // Every file and folder below `dir`, for "nothing changed" checks.
  static std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(dir)) entries.push_back(e.path().string());
    std::sort(entries.begin(), entries.end());
    return entries;
  }
};

TEST_F(Pipeline, WebAddressBuildReportsInOrderOnMainAndRunsToolsInOrder) {
  auto record = build(urlRequest(), out);
  ASSERT_TRUE(record.result);
  ASSERT_TRUE(record.result->succeeded()) << record.result->errorDescription();
  const fs::path app = out / "My Cool App.app";
  EXPECT_EQ(*record.result->app, app);
  EXPECT_EQ(record.progress,
            (std::vector<std::string>{"Creating app bundle\u2026", "Generating icon\u2026", "Signing app\u2026"}));
  EXPECT_EQ(record.completions, 1);
  EXPECT_TRUE(record.everyCallbackOnMain);
  EXPECT_FALSE(record.progressAfterCompletion);

  // Every tool but the registration works on the staged bundle in a hidden
  // sibling folder; only the finished app is registered, where it stays.
  const fs::path staged = tools->stagedApp();
  EXPECT_EQ(staged.filename(), app.filename());
  EXPECT_EQ(staged.parent_path().parent_path(), out);
  EXPECT_TRUE(staged.parent_path().filename().string().starts_with(".nimbrel-build-")) << staged;
  EXPECT_FALSE(fs::exists(staged.parent_path()));
  const std::string bundle = "[" + staged.string() + "]";
  const std::string iconSet = "[" + (staged / "Contents/Resources/AppIcon.iconset").string() + "]";
  const std::string iconFile = "[" + (staged / "Contents/Resources/AppIcon.icns").string() + "]";
  EXPECT_EQ(tools->calls(), (std::vector<std::string>{
                                "iconutil [--convert] [icns] [--output] " + iconFile + " " + iconSet,
                                "xattr [-cr] " + bundle,
                                "codesign [--force] [--sign] [-] " + bundle,
                                "lsregister [-f] [" + app.string() + "]",
                            }));
}

TEST_F(Pipeline, IconSetReachesTheConverterCompleteAndIsGoneAfterwards) {
  auto request = urlRequest();
  request.icon = platform::Image::create(40, 40);
  ASSERT_TRUE(build(request, out).result->succeeded());
  const std::map<std::string, int> expected{
      {"icon_16x16.png", 16},    {"icon_16x16@2x.png", 32},    {"icon_32x32.png", 32},    {"icon_32x32@2x.png", 64},
      {"icon_128x128.png", 128}, {"icon_128x128@2x.png", 256}, {"icon_256x256.png", 256}, {"icon_256x256@2x.png", 512},
      {"icon_512x512.png", 512}, {"icon_512x512@2x.png", 1024}};
  std::map<std::string, int> found;
  for (const auto& entry : fs::directory_iterator(tools->iconSetSnapshot())) {
    auto image = platform::Image::load(entry.path());
    found[entry.path().filename().string()] = image && image->width() == image->height() ? image->width() : -1;
  }
  EXPECT_EQ(found, expected);
  EXPECT_FALSE(fs::exists(out / "My Cool App.app/Contents/Resources/AppIcon.iconset"));
}

// No background shape skips the icon; a failing or missing converter loses it. The build succeeds either way.
TEST_F(Pipeline, IconStageProblemsStillFinishTheBuild) {
  tools->setExit("iconutil", 1);
  auto env = environment();
  env.tools.iconutil = root / "no-such-converter";
  ASSERT_TRUE(build(urlRequest("Failing"), out).result->succeeded());
  ASSERT_TRUE(build(urlRequest("Missing"), out, env).result->succeeded());
  fs::remove(resources / "bgtemplate.png");
  ASSERT_TRUE(build(urlRequest("NoShape"), out).result->succeeded());
  EXPECT_EQ(tools->toolsRun(), (std::vector<std::string>{"iconutil", "xattr", "codesign", "lsregister", "xattr",
                                                         "codesign", "lsregister", "xattr", "codesign", "lsregister"}));
  for (const char* app : {"Failing", "Missing", "NoShape"})
    EXPECT_FALSE(fs::exists(out / (std::string(app) + ".app/Contents/Resources/AppIcon.iconset"))) << app;
}

TEST_F(Pipeline, DestinationInsideTheSiteIsRefusedBeforeAnythingIsWritten) {
  const fs::path site = root / "site";
  writeFile(site / "index.html", "<p>hi</p>");
  fs::create_directories(site / "sub" / "deeper");
  fs::create_directory_symlink(site / "sub", root / "link-into-site");
  const auto before = listing(root.path());

  for (const fs::path& folder : {site, site / "sub" / "deeper", root / "link-into-site", site / "sub" / ".." / "sub",
                                 root / "link-into-site" / "deeper"}) {
    auto record = build(folderRequest(site), folder);
    ASSERT_TRUE(record.result) << folder;
    EXPECT_EQ(record.result->errorDescription(),
              "The app can't be saved inside the website folder it's built from. Choose a different location, such "
              "as /Applications.")
        << folder;
    EXPECT_TRUE(record.progress.empty()) << folder;
  }
  EXPECT_EQ(listing(root.path()), before);
  EXPECT_TRUE(tools->calls().empty());

  // The site's parent is fine; the site may lie inside the chosen folder.
  auto record = build(folderRequest(site), root.path());
  EXPECT_TRUE(record.result->succeeded()) << record.result->errorDescription();
  // A sibling whose name merely begins like the site's is not inside it.
  fs::create_directories(root / "site2");
  EXPECT_TRUE(build(folderRequest(site), root / "site2").result->succeeded());
}

TEST_F(Pipeline, SiteInsideTheAppToBeReplacedIsNeverDeleted) {
  const fs::path site = out / "Docs.app/Contents/Resources/Site";
  writeFile(site / "index.html", "<p>only copy</p>");
  auto record = build(folderRequest(site), out);
  EXPECT_EQ(testing_support::generatorErrorOf([&] { std::rethrow_exception(record.result->error); }).value().kind(),
            GeneratorError::Kind::fileError);
  EXPECT_EQ(readFile(site / "index.html"), "<p>only copy</p>");
  EXPECT_TRUE(record.progress.empty());
}

struct RefusedName {
  std::string name;
  const char* says;  // part of the message
};

// Refused before anything is written, with the real problem named: never a
// bundle outside the chosen folder, never a failure blamed on the template.
TEST_F(Pipeline, NamesThatLeaveTheFolderOrMissTheirSubFolderChangeNothing) {
  const auto before = listing(root.path());
  for (const RefusedName& c : {RefusedName{"..", "can't be used"}, {".", "can't be used"},
                               {"../escaped", "outside the chosen folder"}, {"a/../../b", "outside the chosen folder"},
                               {std::string(252, 'n'), "too long"}, {"No/Such", "There is no folder"}}) {
    auto record = build(urlRequest(c.name), out);
    ASSERT_TRUE(record.result) << c.name;
    EXPECT_EQ(record.completions, 1);
    EXPECT_NE(record.result->errorDescription().find(c.says), std::string::npos) << record.result->errorDescription();
    EXPECT_TRUE(record.progress.empty()) << c.name;
  }
  EXPECT_EQ(listing(root.path()), before);
  EXPECT_TRUE(tools->calls().empty());

  // A name beginning with "/" still lands in the chosen folder, "A/B" in its existing sub-folder.
  fs::create_directories(out / "Sub");
  auto rooted = build(urlRequest("/Sub/App"), out);
  ASSERT_TRUE(rooted.result->succeeded()) << rooted.result->errorDescription();
  EXPECT_EQ(*rooted.result->app, fs::path(out.string() + "//Sub/App.app"));
  EXPECT_TRUE(fs::exists(out / "Sub/App.app/Contents/Info.plist"));
  EXPECT_TRUE(build(urlRequest("Sub/B"), out).result->succeeded());
}

}  // namespace
