// What the wizard shows: colours, tinted glyphs and the ready-made apps.
#include <set>

#include "frontend/favorite_apps.hpp"
#include "platform/link_detector.hpp"
#include "platform/url.hpp"
#include "wizard_fixture.hpp"

namespace {

using platform::Color;
using wizard_testing::pixelAt;

TEST(WizardImages, ColorFromHexReadsSixDigitsAfterTheHash) {
  using Case = std::pair<const char*, std::optional<unsigned>>;
  for (auto [text, rgb] : {Case{"#4285F4", 0x4285F4}, Case{"#ea4335", 0xEA4335}, Case{"4285F4", {}}, Case{"#4285F", {}},
                           Case{"#4285F4F", {}}, Case{"#GGGGGG", {}}, Case{"#      ", {}},
                           // A hexadecimal scanner stops at the first non-digit and skips blanks and "0x".
                           Case{"#12ZZZZ", 0x12}, Case{"# 12345", 0x12345}, Case{"#0x1234", 0x1234}}) {
    auto expected = rgb ? std::optional(Color{(*rgb >> 16) / 255.0, ((*rgb >> 8) & 0xFF) / 255.0, (*rgb & 0xFF) / 255.0, 1})
                        : std::nullopt;
    EXPECT_EQ(frontend::colorFromHex(text), expected) << text;
  }
}

// Transparency forms each glyph's shape, so each needs opaque and clear pixels.
TEST(FavoriteApps, HostOnlyAddressesColoursAndSilhouettesOfTheirOwn) {
  std::set<std::string> icons;
  for (const auto& app : frontend::favoriteApps()) {
    SCOPED_TRACE(app.at("name"));
    EXPECT_TRUE(icons.insert(app.at("icon")).second) << "a silhouette of its own";
    auto url = platform::Url::parse(app.at("url"));
    EXPECT_TRUE(url && url->scheme() == "https" && url->path().empty() && url->query().empty()) << "host only";
    EXPECT_TRUE(platform::containsLink(app.at("url")));
    EXPECT_TRUE(frontend::colorFromHex(app.at("color")));

    auto image = platform::Image::load(std::filesystem::path(NIMBREL_SOURCE_DIR) / "resources/images" /
                                       (app.at("icon") + ".svg"));
    ASSERT_TRUE(image && image->width() == image->height());
    int opaque = 0, clear = 0;
    for (int y = 0; y < image->height(); y += 4) {
      for (int x = 0; x < image->width(); x += 4) {
        int alpha = pixelAt(*image, x, y)[0];
        opaque += alpha == 255;
        clear += alpha == 0;
      }
    }
    EXPECT_GT(opaque, 1000);
    EXPECT_GT(clear, 1000);
  }
}

}  // namespace
