// Whole builds through the real main loop with recording tools: what the
// caller hears, which tools run on what, and the requests refused before
// anything is written.

#include <gtest/gtest.h>

#include <map>

#include "builder/build_fixture.hpp"
#include "platform/image.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::tree;
using testing_support::writeFile;

class Pipeline : public testing_support::BuildFixture {};

TEST_F(Pipeline, WebAddressBuildReportsInOrderOnMainAndRunsToolsInOrder) {
  auto record = build(urlRequest(), out);
  ASSERT_TRUE(record.result && record.result->succeeded()) << record.error();
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
  const std::string resources = (staged / "Contents/Resources/").string();
  EXPECT_EQ(tools->calls(), (std::vector<std::string>{
                                "iconutil [--convert] [icns] [--output] [" + resources + "AppIcon.icns] [" +
                                    resources + "AppIcon.iconset]",
                                "xattr [-cr] [" + staged.string() + "]",
                                "codesign [--force] [--sign] [-] [" + staged.string() + "]",
                                "lsregister [-f] [" + app.string() + "]",
                            }));
}

TEST_F(Pipeline, IconSetReachesTheConverterCompleteAndIsGoneAfterwards) {
  auto request = urlRequest();
  request.icon = platform::Image::create(40, 40);
  ASSERT_TRUE(build(request, out).result->succeeded());
  std::map<std::string, int> expected, found;
  for (int size : {16, 32, 128, 256, 512}) {
    const std::string name = "icon_" + std::to_string(size) + "x" + std::to_string(size);
    expected[name + ".png"] = size;
    expected[name + "@2x.png"] = 2 * size;
  }
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

struct Refused {
  const char* name;
  builder::AppGenerator request;
  fs::path folder;
  const char* says;  // part of the message
};

// Refused before anything is written, with the real problem named: never a
// bundle outside the chosen folder, never a site deleted by its own app,
// never a failure blamed on the template.
TEST_F(Pipeline, RefusedRequestsChangeNothing) {
  const fs::path site = root / "site", inApp = out / "Docs.app/Contents/Resources/Site";
  writeFile(site / "index.html", "<p>hi</p>");
  writeFile(inApp / "index.html", "<p>only copy</p>");
  fs::create_directories(site / "sub" / "deeper");
  fs::create_directory_symlink(site / "sub", root / "link-into-site");
  const char* inside = "can't be saved inside the website folder it's built from";
  const Refused rows[] = {
      {"SiteItself", folderRequest(site), site, inside},
      {"BelowTheSite", folderRequest(site), site / "sub" / "deeper", inside},
      {"LinkIntoTheSite", folderRequest(site), root / "link-into-site", inside},
      {"DotDotBackIntoTheSite", folderRequest(site), site / "sub" / ".." / "sub", inside},
      {"BelowALinkIntoTheSite", folderRequest(site), root / "link-into-site" / "deeper", inside},
      {"SiteInsideTheAppToReplace", folderRequest(inApp), out, "lies inside the app it would replace"},
      {"DotDot", urlRequest(".."), out, "can't be used"},
      {"Dot", urlRequest("."), out, "can't be used"},
      {"LeavesTheFolder", urlRequest("../escaped"), out, "outside the chosen folder"},
      {"LeavesTheFolderHalfWay", urlRequest("a/../../b"), out, "outside the chosen folder"},
      {"TooLong", urlRequest(std::string(252, 'n')), out, "too long"},
      {"MissingSubFolder", urlRequest("No/Such"), out, "There is no folder"},
  };
  const auto before = tree(root.path());
  for (const auto& row : rows) {
    auto record = build(row.request, row.folder);
    EXPECT_EQ(record.completions, 1) << row.name;
    EXPECT_NE(record.error().find(row.says), std::string::npos) << row.name << ": " << record.error();
    EXPECT_TRUE(record.progress.empty()) << row.name;
  }
  EXPECT_EQ(tree(root.path()), before);
  EXPECT_TRUE(tools->calls().empty());
}

// Where the site may lie inside the chosen folder, a sibling merely begins
// like the site, a name begins with "/" or reaches an existing sub-folder.
TEST_F(Pipeline, NearMissesOfTheRefusalsBuild) {
  const fs::path site = root / "site";
  writeFile(site / "index.html", "<p>hi</p>");
  fs::create_directories(root / "site2");
  fs::create_directories(out / "Sub");
  EXPECT_TRUE(build(folderRequest(site), root.path()).result->succeeded());
  EXPECT_TRUE(build(folderRequest(site), root / "site2").result->succeeded());
  auto rooted = build(urlRequest("/Sub/App"), out);
  ASSERT_TRUE(rooted.result->succeeded()) << rooted.error();
  EXPECT_EQ(*rooted.result->app, fs::path(out.string() + "//Sub/App.app"));
  EXPECT_TRUE(fs::exists(out / "Sub/App.app/Contents/Info.plist"));
  EXPECT_TRUE(build(urlRequest("Sub/B"), out).result->succeeded());
}

}  // namespace
