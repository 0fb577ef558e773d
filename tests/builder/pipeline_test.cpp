// Whole builds through the real main loop with recording tools.

#include <gtest/gtest.h>

#include <map>

#include "builder/build_fixture.hpp"
#include "platform/image.hpp"
#include "support/image_pixels.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::tree;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

class Pipeline : public testing_support::BuildFixture {
 public:
  fs::path site = root / "site";
};

// Every tool but the registration works on the staged bundle in a hidden
// sibling folder; only the finished app is registered.
TEST_F(Pipeline, WebAddressBuildReportsOnMainAndRunsToolsOnTheStagedBundle) {
  auto record = build(urlRequest(), out);
  ASSERT_TRUE(record.ok()) << record.error();
  const fs::path app = out / "My Cool App.app", staged = tools->stagedApp();
  EXPECT_TRUE(record.wellBehaved);
  // Posted from the first stage's worker, the main thread and the last stage's worker, in order.
  EXPECT_EQ(record.progress, (Lines{"Creating app bundle\u2026", "Generating icon\u2026", "Signing app\u2026"}));
  EXPECT_EQ(staged.filename(), app.filename());
  EXPECT_TRUE(staged.parent_path().filename().string().starts_with(".nimbrel-build-")) << staged;
  EXPECT_EQ(staged.parent_path().parent_path(), out);
  EXPECT_FALSE(fs::exists(staged.parent_path()));
  const std::string resources = (staged / "Contents/Resources/").string();
  EXPECT_EQ(tools->calls(), (Lines{"iconutil [--convert] [icns] [--output] [" + resources + "AppIcon.icns] [" +
                                       resources + "AppIcon.iconset]",
                                   "xattr [-cr] [" + staged.string() + "]",
                                   "codesign [--force] [--sign] [-] [" + staged.string() + "]",
                                   "lsregister [-f] [" + app.string() + "]"}));
}

TEST_F(Pipeline, IconSetReachesTheConverterCompleteAndIsGoneAfterwards) {
  auto request = urlRequest();
  request.icon = platform::Image::create(40, 40);
  ASSERT_TRUE(build(request, out).ok());
  std::map<std::string, std::string> expected, found;
  for (int size : {16, 32, 128, 256, 512}) {
    const std::string name = "icon_" + std::to_string(size) + "x" + std::to_string(size);
    expected[name + ".png"] = std::to_string(size) + "x" + std::to_string(size);
    expected[name + "@2x.png"] = std::to_string(2 * size) + "x" + std::to_string(2 * size);
  }
  for (const auto& entry : fs::directory_iterator(tools->iconSetSnapshot()))
    found[entry.path().filename().string()] = testing_support::sizeOf(platform::Image::load(entry.path()));
  EXPECT_EQ(found, expected);
  EXPECT_FALSE(fs::exists(out / "My Cool App.app/Contents/Resources/AppIcon.iconset"));
}

// A failing or missing converter loses the icon, no background shape skips it; the build succeeds.
TEST_F(Pipeline, IconStageProblemsStillFinishTheBuild) {
  tools->setExit("iconutil", 1);
  auto env = environment();
  env.tools.iconutil = root / "no-such-converter";
  EXPECT_TRUE(build(urlRequest("Failing"), out).ok());
  EXPECT_TRUE(build(urlRequest("Missing"), out, env).ok());
  fs::remove(resources / "bgtemplate.png");
  EXPECT_TRUE(build(urlRequest("NoShape"), out).ok());
  EXPECT_EQ(tools->toolsRun(), (Lines{"iconutil", "xattr", "codesign", "lsregister", "xattr", "codesign",
                                      "lsregister", "xattr", "codesign", "lsregister"}));
}

// Refused before anything is written: never a bundle outside the chosen
// folder, never a site deleted by its own app. Plain "..", "../x" and missing
// sub-folders are rows of the command line's hostile-input table.
TEST_F(Pipeline, RefusedRequestsChangeNothing) {
  const fs::path inApp = out / "Docs.app/Contents/Resources/Site";
  writeFile(site / "index.html", "<p>hi</p>");
  writeFile(inApp / "index.html", "<p>only copy</p>");
  fs::create_directories(site / "sub/deeper");
  fs::create_directory_symlink(site / "sub", root / "link-into-site");
  const char* inside = "can't be saved inside the website folder it's built from";
  const std::tuple<builder::AppGenerator, fs::path, const char*> rows[] = {
      {folderRequest(site), site / "sub/deeper", inside},
      {folderRequest(site), root / "link-into-site", inside},
      {folderRequest(site), site / "sub/../sub", inside},
      {folderRequest(inApp), out, "lies inside the app it would replace"},
      {urlRequest("."), out, "can't be used"},
      {urlRequest("a/../../b"), out, "outside the chosen folder"},
      {urlRequest(std::string(252, 'n')), out, "too long"},
  };
  const auto before = tree(root.path());
  for (const auto& [request, folder, says] : rows) {
    auto record = build(request, folder);
    EXPECT_EQ(record.completions, 1) << says;
    EXPECT_NE(record.error().find(says), std::string::npos) << folder << ": " << record.error();
    EXPECT_TRUE(record.progress.empty()) << says;
  }
  EXPECT_EQ(tree(root.path()), before);
  EXPECT_TRUE(tools->calls().empty());
}

// The site inside the chosen folder, a sibling that merely begins like the
// site, a name beginning with "/" that reaches an existing sub-folder.
TEST_F(Pipeline, NearMissesOfTheRefusalsBuild) {
  writeFile(site / "index.html", "<p>hi</p>");
  fs::create_directories(root / "site2");
  fs::create_directories(out / "Sub");
  EXPECT_TRUE(build(folderRequest(site), root.path()).ok());
  EXPECT_TRUE(build(folderRequest(site), root / "site2").ok());
  auto rooted = build(urlRequest("/Sub/App"), out);
  ASSERT_TRUE(rooted.ok()) << rooted.error();
  EXPECT_EQ(*rooted.result->app, fs::path(out.string() + "//Sub/App.app"));
}

}  // namespace
