// The wizard's input screens: website, name, icon, ready-made apps, and Back.
#include <set>

#include "frontend/favorite_apps.hpp"
#include "platform/link_detector.hpp"
#include "platform/url.hpp"
#include "support/image_pixels.hpp"
#include "wizard_fixture.hpp"

namespace {

using frontend::DropItem;
using frontend::WizardChanges;
using frontend::WizardField;
using testing_support::pixelAt;
using wizard_testing::WizardTest;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

// The drop conversions themselves are walked in the window (ContentViewTest.Drops…).
TEST_F(WizardTest, UrlDropStoresTheTrimmedTextWithoutLeavingTheScreen) {
  EXPECT_FALSE(model->acceptURLDrop({})) << "an empty drop is refused";
  const std::pair<DropItem, std::string> rows[] = {  // empty: the drop changes nothing
      {{bytes("https://example.org/"), {}, {}}, "https://example.org/"},
      {{bytes("not a url"), {}, {}}, ""},
      {{bytes("https://\xff.org"), {}, {}}, ""},
      {{std::string("a.org"), std::string("b.org"), {}}, "a.org"},
      {{{}, bytes("\tjust words\n"), {}}, "just words"},
      {{{}, std::string(" \n\t\u00A0"), {}}, ""},
      {{std::string("a.org \xe2\x80"), {}, {}}, ""},
      {{{}, {}, std::string("file:///x.png")}, ""},
  };
  for (const auto& [item, url] : rows) {
    model->editUrl("before.org");
    EXPECT_TRUE(model->acceptURLDrop({item}));
    drainMainQueue();
    const std::string expected = url.empty() ? "before.org" : url;
    EXPECT_EQ(model->inputUrl(), expected);
    EXPECT_EQ(model->urlIsValid(), platform::containsLink(expected));
    EXPECT_EQ(model->selectedView(), 0);
  }
  // Picture files becoming the icon are walked in the window; the rest is taken and ignored.
  for (DropItem unusable : {DropItem{{}, {}, bytes("\xff\xfe")}, DropItem{{}, {}, std::string("https://a.org/x.png")},
                            DropItem{std::string("file:///x.png"), {}, {}}, DropItem{}}) {
    EXPECT_TRUE(model->icon().acceptIconDrop({unusable}));
  }
  drainMainQueue();
  EXPECT_FALSE(model->icon().iconIsValid());
}

// Where Back and Configure are shown, and the clicks on the tiles: ContentViewTest.
TEST_F(WizardTest, ConfigureKeepsIconAndColourAndDoubleClickTintsTheGlyph) {
  model->showFavorites();
  model->selectFavorite(7);
  model->configureFavorite();
  EXPECT_EQ(model->icon().inputColor(), platform::Color::white());
  EXPECT_EQ(model->icon().inputIcon().width(), 16);

  model->resetWizard();
  model->showFavorites();
  model->useFavorite(0);  // no "youtube" among the fake images: stays on the tiles
  model->useFavorite(99);
  EXPECT_EQ(model->selectedView(), 4);
  model->useFavorite(7);
  ASSERT_EQ(testing_support::sizeOf(model->icon().inputIcon()), "650x650");
  EXPECT_EQ(pixelAt(model->icon().inputIcon(), 325, 325), 0xffffffffu);
  EXPECT_EQ(pixelAt(model->icon().inputIcon(), 5, 5) >> 24, 0u);
  EXPECT_EQ(model->icon().inputColor(), *frontend::colorFromHex("#EA4335"));
  EXPECT_FALSE(model->icon().iconIsValid());
}

// Each ready-made app: a host-only https address, a colour, and a square glyph of its own that loads.
TEST(FavoriteApps, HostOnlyAddressesColoursAndSquareGlyphsOfTheirOwn) {
  std::set<std::string> icons;
  for (const auto& app : frontend::favoriteApps()) {
    SCOPED_TRACE(app.at("name"));
    EXPECT_TRUE(icons.insert(app.at("icon")).second);
    auto url = platform::Url::parse(app.at("url"));
    EXPECT_TRUE(url && url->scheme() == "https" && url->path().empty() && url->query().empty()) << "host only";
    EXPECT_TRUE(platform::containsLink(app.at("url")) && frontend::colorFromHex(app.at("color")));
    auto image = platform::Image::load(std::filesystem::path(NIMBREL_SOURCE_DIR) / "resources/images" /
                                       (app.at("icon") + ".svg"));
    EXPECT_TRUE(image && image->width() == image->height());
  }
}

// Observers hear each change once and never after disconnecting.
TEST_F(WizardTest, ObserversHearOnceWhatEachActionChanged) {
  std::vector<WizardChanges> heard;
  frontend::Connection connection;
  connection = model->observe([&](const WizardChanges& c) {
    heard.push_back(c);
    if (heard.size() == 2) connection.disconnect();
  });
  model->editUrl("example.org");
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_TRUE(heard[0].contains(WizardField::inputUrl) && heard[0].contains(WizardField::urlIsValid));
  EXPECT_FALSE(heard[0].contains(WizardField::selectedView));
  model->editUrl("example.org");
  model->previousScreen();
  EXPECT_EQ(heard.size(), 1u) << "nothing changed, nothing told";
  model->submitUrl();
  model->previousScreen();
  EXPECT_EQ(heard.size(), 2u);

  // Moving on takes a link and a name that is not empty.
  model->editUrl("hello");
  model->continueToName();
  EXPECT_EQ(model->selectedView(), 0);
  model->editUrl("visit example.org today");
  model->submitUrl();
  model->editName("");
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 1);
  model->editName(" ");
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 2);
  EXPECT_EQ(heard.size(), 2u) << "never after disconnecting";
}

}  // namespace
