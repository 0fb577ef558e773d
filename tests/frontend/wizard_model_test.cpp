// The wizard's input screens: website, name, icon, ready-made apps, and Back.
#include <fstream>

#include "platform/link_detector.hpp"
#include "support/temp_dir.hpp"
#include "wizard_test_fixture.hpp"

namespace {

using frontend::DropItem;
using frontend::WizardChanges;
using frontend::WizardField;
using wizard_testing::Pixel;
using wizard_testing::pixelAt;
using wizard_testing::WizardTest;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST_F(WizardTest, StartsOnTheWebsiteScreenWithTheBlackDefaultIcon) {
  EXPECT_EQ(model->selectedView(), 0);
  EXPECT_EQ(model->preselectedBack(), -1);
  EXPECT_TRUE(model->inputUrl().empty());
  EXPECT_TRUE(model->inputName().empty());
  EXPECT_EQ(model->inputColor(), platform::Color::white());
  EXPECT_FALSE(model->urlIsValid() || model->nameIsValid() || model->iconIsValid());
  EXPECT_TRUE(model->isTargeted());
  EXPECT_TRUE(model->selectedFavorite().empty());
  EXPECT_FALSE(model->backVisible());
  EXPECT_FALSE(model->configureVisible());
  EXPECT_EQ(model->inputIcon().width(), 16);
  EXPECT_EQ(pixelAt(model->inputIcon(), 8, 8), (Pixel{255, 0, 0, 0}));
}

TEST_F(WizardTest, AWebsiteTextIsValidWhenALinkOccursAnywhereInIt) {
  model->editUrl("visit example.org today");
  EXPECT_TRUE(model->urlIsValid());
  EXPECT_EQ(model->inputUrl(), "visit example.org today");
  EXPECT_EQ(model->continueOpacity(), 1.0);
  model->editUrl("hello");
  EXPECT_FALSE(model->urlIsValid());
  EXPECT_FALSE(model->continueEnabled());
  EXPECT_EQ(model->continueOpacity(), 0.35);
}

TEST_F(WizardTest, ReturnAndContinueNeedAValidAddress) {
  model->editUrl("hello");
  model->submitUrl();
  model->continueToName();
  EXPECT_EQ(model->selectedView(), 0);
  model->editUrl("https://example.org");
  model->submitUrl();
  EXPECT_EQ(model->selectedView(), 1);
  EXPECT_FALSE(model->useLocalFolder());
}

TEST_F(WizardTest, LocalFolderNamesTheAppAfterTheFolder) {
  model->chooseLocalFolder();
  chooseFolder("/sites/site.folder");
  EXPECT_TRUE(model->useLocalFolder());
  EXPECT_EQ(model->localFolderURL(), std::filesystem::path("/sites/site.folder"));
  EXPECT_EQ(model->inputName(), "site");
  EXPECT_TRUE(model->nameIsValid());
  EXPECT_EQ(model->selectedView(), 1);
  EXPECT_EQ(model->iconButtonRowWidth(), 180);
  EXPECT_FALSE(model->fetchButtonShown());
  EXPECT_EQ(model->finishedSubtitle(), "A native app for your local site");
}

TEST_F(WizardTest, LocalFolderKeepsANameAlreadyGiven) {
  model->showFavorites();
  model->selectFavorite(7);  // fills "Gmail" without validating it
  model->previousScreen();
  model->chooseLocalFolder();
  chooseFolder("/sites/My Site.web/");
  EXPECT_EQ(model->inputName(), "Gmail");
  EXPECT_FALSE(model->nameIsValid());
  EXPECT_EQ(model->selectedView(), 1);
  model->editName("Gmail ");
  EXPECT_TRUE(model->nameIsValid());
  EXPECT_EQ(frontend::appNameForFolder("/sites/My Site.web/"), "My Site");
  EXPECT_EQ(frontend::appNameForFolder("/sites/archive.tar.gz"), "archive.tar");
}

TEST_F(WizardTest, LocalFolderWithNothingChosenChangesNothing) {
  model->chooseLocalFolder();
  services.folderChosen({});
  EXPECT_FALSE(model->useLocalFolder());
  EXPECT_EQ(model->selectedView(), 0);
}

TEST_F(WizardTest, ContinueAndFavoritesLeaveLocalFolderMode) {
  model->chooseLocalFolder();
  chooseFolder("/sites/a");
  model->previousScreen();
  model->editUrl("example.org");
  model->continueToName();
  EXPECT_FALSE(model->useLocalFolder());
  EXPECT_FALSE(model->localFolderURL());
  model->previousScreen();
  model->chooseLocalFolder();
  chooseFolder("/sites/a");
  model->previousScreen();
  model->selectFavorite(0);
  model->showFavorites();
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_FALSE(model->useLocalFolder());
  EXPECT_TRUE(model->selectedFavorite().empty());
}

struct UrlDrop {
  const char* name;
  DropItem item;
  std::string expectedUrl;  // empty: the drop changes nothing
};

class WizardUrlDrop : public WizardTest, public testing::WithParamInterface<UrlDrop> {};

TEST_P(WizardUrlDrop, StoresTheTrimmedTextWithoutLeavingTheScreen) {
  model->editUrl("before.org");
  EXPECT_TRUE(model->acceptURLDrop({GetParam().item}));
  drainMainQueue();
  std::string expected = GetParam().expectedUrl.empty() ? "before.org" : GetParam().expectedUrl;
  EXPECT_EQ(model->inputUrl(), expected);
  EXPECT_EQ(model->urlIsValid(), platform::containsLink(expected));
  EXPECT_EQ(model->selectedView(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Items, WizardUrlDrop,
    testing::Values(
        UrlDrop{"UrlWithBlanks", {std::string("  https://example.org/x \n"), {}, {}}, "https://example.org/x"},
        UrlDrop{"UrlBytes", {bytes("https://example.org/"), {}, {}}, "https://example.org/"},
        UrlDrop{"UrlBytesNotAUrl", {bytes("not a url"), {}, {}}, ""},
        UrlDrop{"UrlBytesNotUtf8", {bytes("https://\xff.org"), {}, {}}, ""},
        UrlDrop{"UrlWinsOverText", {std::string("a.org"), std::string("b.org"), {}}, "a.org"},
        UrlDrop{"PlainText", {{}, std::string("\tjust words\n"), {}}, "just words"},
        UrlDrop{"PlainTextBytes", {{}, bytes(" bücher.de "), {}}, "bücher.de"},
        UrlDrop{"OnlyBlanks", {{}, std::string(" \n\t\u00A0"), {}}, ""},
        UrlDrop{"TextNotUtf8", {{}, bytes("\xc3\x28"), {}}, ""},
        UrlDrop{"NothingUsable", {{}, {}, std::string("file:///x.png")}, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(WizardTest, AnEmptyUrlDropIsRefused) { EXPECT_FALSE(model->acceptURLDrop({})); }

TEST_F(WizardTest, ANameOfOneBlankIsValid) {
  toName();
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 1);
  model->editName(" ");
  EXPECT_TRUE(model->nameIsValid());
  model->nameNext();
  EXPECT_EQ(model->selectedView(), 2);
  model->previousScreen();
  model->editName("");
  EXPECT_FALSE(model->nameIsValid());
}

class WizardIconDrop : public WizardTest {
 protected:
  WizardIconDrop() {
    auto png = wizard_testing::filledImage(40, 30, platform::Color{0, 1, 0, 1}).pngData();
    testing_support::writeFile(dir / "pic.png", std::string(png.begin(), png.end()));
  }
  void dropAndWaitForIcon(DropItem item) {
    int changes = 0;
    int token = model->observe([&](const WizardChanges& c) { changes += c.contains(WizardField::iconIsValid); });
    EXPECT_TRUE(model->acceptIconDrop({std::move(item)}));
    platform::runMainLoopUntil([&] { return changes > 0; });
    model->unobserve(token);
  }
  testing_support::TempDir dir;
};

TEST_F(WizardIconDrop, AFileUrlOfAPictureBecomesTheIcon) {
  toIcon();
  dropAndWaitForIcon({{}, {}, bytes("file://" + (dir / "pic.png").string())});
  EXPECT_EQ(model->inputIcon().width(), 40);
  EXPECT_TRUE(model->iconIsValid());
  EXPECT_TRUE(model->resetButtonShown());
  model->resetIcon();
  EXPECT_EQ(model->inputIcon().width(), 16);
  EXPECT_FALSE(model->iconIsValid());
}

TEST_F(WizardIconDrop, APlainPathWorksToo) {
  dropAndWaitForIcon({{}, {}, (dir / "pic.png").string()});
  EXPECT_EQ(model->inputIcon().height(), 30);
}

TEST_F(WizardIconDrop, UnusableItemsAreTakenAndIgnored) {
  EXPECT_TRUE(model->acceptIconDrop({}));
  EXPECT_TRUE(model->acceptIconDrop({{{}, {}, bytes("\xff\xfe")}}));
  EXPECT_TRUE(model->acceptIconDrop({{{}, {}, std::string("https://example.org/pic.png")}}));
  EXPECT_TRUE(model->acceptIconDrop({{std::string("file:///x.png"), {}, {}}}));
  drainMainQueue();
  EXPECT_FALSE(model->iconIsValid());
}

TEST_F(WizardTest, FetchIconAsksWithTheTextAsTyped) {
  model->fetchIcon();
  EXPECT_TRUE(services.iconQueries.empty());
  EXPECT_FALSE(model->isFetchingIcon());

  model->editUrl(" example.org ");
  model->fetchIcon();
  ASSERT_EQ(services.iconQueries, std::vector<std::string>{" example.org "});
  EXPECT_TRUE(model->isFetchingIcon());
  services.iconAnswer(wizard_testing::filledImage(64, 64, platform::Color::black()));
  EXPECT_FALSE(model->isFetchingIcon());
  EXPECT_TRUE(model->iconIsValid());
  EXPECT_EQ(model->inputIcon().width(), 64);
}

TEST_F(WizardTest, FetchIconWithoutResultKeepsTheIcon) {
  model->editUrl("example.org");
  model->fetchIcon();
  services.iconAnswer(std::nullopt);
  EXPECT_FALSE(model->isFetchingIcon());
  EXPECT_FALSE(model->iconIsValid());
  EXPECT_EQ(model->inputIcon().width(), 16);
}

TEST_F(WizardTest, SingleClickFillsNameAndAddressOnly) {
  model->showFavorites();
  EXPECT_FALSE(model->configureVisible());
  model->selectFavorite(7);
  EXPECT_EQ(model->inputName(), "Gmail");
  EXPECT_EQ(model->inputUrl(), "https://mail.google.com");
  EXPECT_FALSE(model->urlIsValid());
  EXPECT_FALSE(model->nameIsValid());
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_TRUE(model->isFavoriteSelected(7));
  EXPECT_FALSE(model->isFavoriteSelected(6));
  EXPECT_TRUE(model->configureVisible());
  model->clearFavoriteSelection();
  EXPECT_FALSE(model->configureVisible());
  model->configureFavorite();
  EXPECT_EQ(model->selectedView(), 4);
}

TEST_F(WizardTest, ConfigureKeepsDefaultIconAndWhite) {
  model->showFavorites();
  model->selectFavorite(0);
  model->configureFavorite();
  EXPECT_EQ(model->selectedView(), 3);
  EXPECT_EQ(model->preselectedBack(), 4);
  EXPECT_EQ(model->inputColor(), platform::Color::white());
  EXPECT_EQ(model->inputIcon().width(), 16);
}

TEST_F(WizardTest, DoubleClickOnGmailGoesStraightToSaving) {
  model->showFavorites();
  model->useFavorite(7);
  EXPECT_EQ(model->inputName(), "Gmail");
  EXPECT_EQ(model->inputUrl(), "https://mail.google.com");
  ASSERT_EQ(model->inputIcon().width(), 650);
  ASSERT_EQ(model->inputIcon().height(), 650);
  EXPECT_EQ(pixelAt(model->inputIcon(), 325, 325), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(pixelAt(model->inputIcon(), 5, 5).alpha, 0);
  EXPECT_EQ(model->inputColor(), *frontend::colorFromHex("#EA4335"));
  EXPECT_EQ(model->selectedView(), 3);
  EXPECT_EQ(model->preselectedBack(), 4);
  EXPECT_FALSE(model->iconIsValid());

  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_EQ(model->preselectedBack(), -1);
  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 0);
}

TEST_F(WizardTest, DoubleClickWithoutItsGlyphStaysOnTheTiles) {
  model->showFavorites();
  model->useFavorite(0);  // no "youtube" image among the fakes
  EXPECT_EQ(model->inputName(), "YouTube");
  EXPECT_EQ(model->inputUrl(), "https://www.youtube.com");
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_EQ(model->inputIcon().width(), 16);

  services.resizeFails = true;
  model->useFavorite(7);
  EXPECT_EQ(model->inputName(), "Gmail");
  EXPECT_EQ(model->selectedView(), 4);
  EXPECT_EQ(model->inputColor(), platform::Color::white());
  model->useFavorite(99);
  EXPECT_EQ(model->inputName(), "Gmail");
}

class WizardBack : public WizardTest {};

TEST_F(WizardBack, StepsBackOneScreenAtATime) {
  toSave();
  ASSERT_EQ(model->selectedView(), 3);
  for (int expected : {2, 1, 0}) {
    model->previousScreen();
    EXPECT_EQ(model->selectedView(), expected);
  }
  EXPECT_FALSE(model->backVisible());
  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 0);
}

TEST_F(WizardBack, FromTheTilesGoesToTheWebsiteScreen) {
  model->showFavorites();
  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 0);
}

TEST_F(WizardBack, KeepsEverythingButTheScreen) {
  model->chooseLocalFolder();
  chooseFolder("/sites/site");
  model->previousScreen();
  EXPECT_TRUE(model->useLocalFolder());
  EXPECT_EQ(model->inputName(), "site");
  EXPECT_TRUE(model->nameIsValid());
}

TEST_F(WizardTest, ObserversHearOnceWhatEachActionChanged) {
  std::vector<WizardChanges> heard;
  int token = model->observe([&](const WizardChanges& c) { heard.push_back(c); });
  model->editUrl("example.org");
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_TRUE(heard[0].contains(WizardField::inputUrl));
  EXPECT_TRUE(heard[0].contains(WizardField::urlIsValid));
  EXPECT_FALSE(heard[0].contains(WizardField::selectedView));
  model->editUrl("example.org");
  model->previousScreen();
  EXPECT_EQ(heard.size(), 1u) << "nothing changed, nothing told";
  model->unobserve(token);
  model->submitUrl();
  EXPECT_EQ(heard.size(), 1u);
}

TEST_F(WizardTest, AnObserverMayRemoveItselfWhileBeingTold) {
  int first = 0, second = 0;
  int token = 0;
  token = model->observe([&](const WizardChanges&) {
    ++first;
    model->unobserve(token);
  });
  model->observe([&](const WizardChanges&) { ++second; });
  model->editUrl("a.org");
  model->editUrl("b.org");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

}  // namespace
