#include <gtest/gtest.h>

#include <set>

#include "frontend/favorite_apps.hpp"
#include "frontend/wizard_images.hpp"
#include "frontend/wizard_screens.hpp"
#include "platform/link_detector.hpp"
#include "platform/url.hpp"
#include "wizard_fakes.hpp"

namespace {

using frontend::favoriteApps;

TEST(FavoriteApps, HoldTheTwentyTwoServicesInOrder) {
  const auto& apps = favoriteApps();
  ASSERT_EQ(apps.size(), 22u);
  EXPECT_EQ(apps.front().at("name"), "YouTube");
  EXPECT_EQ(apps[7].at("name"), "Gmail");
  EXPECT_EQ(apps[7].at("icon"), "gmail");
  EXPECT_EQ(apps[7].at("color"), "#EA4335");
  EXPECT_EQ(apps.back().at("name"), "iCloud");
  EXPECT_EQ(apps.back().at("icon"), "icloud");
  std::set<std::string> names, icons;
  for (const auto& app : apps) {
    EXPECT_EQ(app.size(), 4u);
    names.insert(app.at("name"));
    icons.insert(app.at("icon"));
  }
  EXPECT_EQ(names.size(), 22u);
  EXPECT_EQ(icons.size(), 22u);
}

TEST(FavoriteApps, EveryEntryIsUsable) {
  for (const auto& app : favoriteApps()) {
    SCOPED_TRACE(app.at("name"));
    auto url = platform::Url::parse(app.at("url"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_FALSE(url->host().empty());
    EXPECT_TRUE(url->path().empty()) << "host only";
    EXPECT_TRUE(url->query().empty());
    EXPECT_TRUE(platform::containsLink(app.at("url")));
    EXPECT_TRUE(frontend::colorFromHex(app.at("color")));
  }
}

// The glyphs are silhouettes: transparency forms the shape, so each needs
// both opaque and clear pixels once decoded.
TEST(FavoriteApps, EveryGlyphIsASilhouetteAmongTheResources) {
  for (const auto& app : favoriteApps()) {
    SCOPED_TRACE(app.at("icon"));
    auto path = std::filesystem::path(NIMBREL_SOURCE_DIR) / "resources/images" / (app.at("icon") + ".svg");
    auto image = platform::Image::load(path);
    ASSERT_TRUE(image) << path;
    EXPECT_GE(image->width(), 256);
    EXPECT_EQ(image->width(), image->height());
    int opaque = 0, clear = 0;
    for (int y = 0; y < image->height(); y += 4) {
      for (int x = 0; x < image->width(); x += 4) {
        int alpha = wizard_testing::pixelAt(*image, x, y).alpha;
        opaque += alpha == 255;
        clear += alpha == 0;
      }
    }
    EXPECT_GT(opaque, 100);
    EXPECT_GT(clear, 100);
  }
}

struct ScreenCase {
  int view;
  const char* hint;
  bool background;
};

void PrintTo(const ScreenCase& c, std::ostream* out) { *out << "screen " << c.view; }

class WizardScreens : public testing::TestWithParam<ScreenCase> {};

TEST_P(WizardScreens, CarryTheirHintAndBackground) {
  auto info = frontend::screenInfo(GetParam().view);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->hint, GetParam().hint);
  EXPECT_EQ(info->showBackground, GetParam().background);
}

INSTANTIATE_TEST_SUITE_P(
    All, WizardScreens,
    testing::Values(
        ScreenCase{0, "Enter or drag'n'drop the URL of the website you want to create an app for", true},
        ScreenCase{1, "Select a name for your application", true},
        ScreenCase{2, "Drag'and'drop a new icon for your application", true},
        ScreenCase{3, "Choose where to save your app and we'll build it", true},
        ScreenCase{4, "Pick one of the 22 ready-made apps", false},
        ScreenCase{5, "Your app is ready. Drag it to the Applications folder to keep it.", true}));

TEST(WizardScreens, OtherNumbersShowNothing) {
  EXPECT_FALSE(frontend::screenInfo(-1));
  EXPECT_FALSE(frontend::screenInfo(6));
}

TEST(WizardScreens, ReplaceQuestionQuotesTheBundleName) {
  EXPECT_EQ(frontend::alreadyExistsMessage("My App"), "\u201CMy App.app\u201D already exists");
}

}  // namespace
