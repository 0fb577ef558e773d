// The wizard's input screens: website, name, icon, ready-made apps, and Back.
#include "platform/link_detector.hpp"
#include "wizard_fixture.hpp"

namespace {

using frontend::DropItem;
using frontend::WizardChanges;
using frontend::WizardField;
using wizard_testing::Pixel;
using wizard_testing::pixelAt;
using wizard_testing::WizardTest;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST_F(WizardTest, MovesOnOnlyWithALinkAndANonEmptyName) {
  model->editUrl("hello");
  model->continueToName();
  EXPECT_EQ(model->selectedView(), 0);
  model->editUrl("visit example.org today");
  model->submitUrl();
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 1);
  model->editName(" ");
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 2);
}

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
}

// Picture files becoming the icon are walked in the window (ContentViewTest.Drops…).
TEST_F(WizardTest, UnusableIconDropsAreTakenAndIgnored) {
  for (DropItem unusable : {DropItem{{}, {}, bytes("\xff\xfe")}, DropItem{{}, {}, std::string("https://a.org/x.png")},
                            DropItem{std::string("file:///x.png"), {}, {}}}) {
    EXPECT_TRUE(model->icon().acceptIconDrop({unusable}));
  }
  EXPECT_TRUE(model->icon().acceptIconDrop({}));
  drainMainQueue();
  EXPECT_FALSE(model->icon().iconIsValid());
}

// Where Back and Configure are shown, and the clicks on the tiles: ContentViewTest.
TEST_F(WizardTest, ConfigureKeepsIconAndColourAndDoubleClickTintsTheGlyph) {
  model->showFavorites();
  model->selectFavorite(7);
  EXPECT_FALSE(model->urlIsValid() || model->nameIsValid());
  model->configureFavorite();
  EXPECT_EQ(model->icon().inputColor(), platform::Color::white());
  EXPECT_EQ(model->icon().inputIcon().width(), 16);

  model->resetWizard();
  model->showFavorites();
  model->useFavorite(0);  // no "youtube" among the fake images: stays on the tiles
  EXPECT_EQ(model->inputName(), "YouTube");
  services.resizeFails = true;
  model->useFavorite(7);
  model->useFavorite(99);
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_EQ(model->icon().inputColor(), platform::Color::white());

  services.resizeFails = false;
  model->useFavorite(7);
  ASSERT_EQ(model->icon().inputIcon().width(), 650);
  ASSERT_EQ(model->icon().inputIcon().height(), 650);
  EXPECT_EQ(pixelAt(model->icon().inputIcon(), 325, 325), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(pixelAt(model->icon().inputIcon(), 5, 5)[0], 0);
  EXPECT_EQ(model->icon().inputColor(), *frontend::colorFromHex("#EA4335"));
  EXPECT_FALSE(model->icon().iconIsValid());
}

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
}

}  // namespace
