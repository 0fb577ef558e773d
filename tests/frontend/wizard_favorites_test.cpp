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

TEST(FavoriteApps, TwentyTwoUsableServicesInOrder) {
  const auto& apps = favoriteApps();
  ASSERT_EQ(apps.size(), 22u);
  EXPECT_EQ(apps[7],
            (frontend::FavoriteApp{
                {"name", "Gmail"}, {"url", "https://mail.google.com"}, {"icon", "gmail"}, {"color", "#EA4335"}}));
  EXPECT_EQ(apps.front().at("name"), "YouTube");
  EXPECT_EQ(apps.back().at("icon"), "icloud");
  std::set<std::string> icons;
  for (const auto& app : apps) {
    SCOPED_TRACE(app.at("name"));
    EXPECT_EQ(app.size(), 4u);
    icons.insert(app.at("icon"));
    auto url = platform::Url::parse(app.at("url"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_TRUE(url->path().empty() && url->query().empty()) << "host only";
    EXPECT_TRUE(platform::containsLink(app.at("url")));
    EXPECT_TRUE(frontend::colorFromHex(app.at("color")));
  }
  EXPECT_EQ(icons.size(), 22u);
}

// Transparency forms each glyph's shape, so each needs opaque and clear pixels.
TEST(FavoriteApps, EveryGlyphIsASilhouetteAmongTheResources) {
  for (const auto& app : favoriteApps()) {
    auto path = std::filesystem::path(NIMBREL_SOURCE_DIR) / "resources/images" / (app.at("icon") + ".svg");
    auto image = platform::Image::load(path);
    ASSERT_TRUE(image) << path;
    EXPECT_EQ(image->width(), image->height());
    int opaque = 0, clear = 0;
    for (int y = 0; y < image->height(); y += 4) {
      for (int x = 0; x < image->width(); x += 4) {
        int alpha = wizard_testing::pixelAt(*image, x, y)[0];
        opaque += alpha == 255;
        clear += alpha == 0;
      }
    }
    EXPECT_GT(opaque, 1000) << path;
    EXPECT_GT(clear, 1000) << path;
  }
}

TEST(WizardScreens, CarryTheirHintAndBackground) {
  const std::pair<const char*, bool> screens[] = {
      {"Enter or drag'n'drop the URL of the website you want to create an app for", true},
      {"Select a name for your application", true},
      {"Drag'and'drop a new icon for your application", true},
      {"Choose where to save your app and we'll build it", true},
      {"Pick one of the 22 ready-made apps", false},
      {"Your app is ready. Drag it to the Applications folder to keep it.", true},
  };
  for (int view = 0; view < 6; ++view) {
    auto info = frontend::screenInfo(view);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->hint, screens[view].first);
    EXPECT_EQ(info->showBackground, screens[view].second);
  }
  EXPECT_FALSE(frontend::screenInfo(-1));
  EXPECT_FALSE(frontend::screenInfo(6));
}

}  // namespace
