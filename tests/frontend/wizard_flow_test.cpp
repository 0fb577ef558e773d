// The wizard's save screen, the build it starts and what follows it.
#include "builder/generator_error.hpp"
#include "wizard_test_fixture.hpp"

namespace {

using frontend::AlertRequest;
using wizard_testing::WizardTest;

const AlertRequest kInsideSiteAlert{
    "Choose a different location",
    "The app can't be saved inside the website folder it's built from. Choose a different location, such as "
    "/Applications.",
    {"OK"}};

TEST_F(WizardTest, CreateBuildsTheRequestFromStateAndSettings) {
  model->editUrl(" visit example.org today ");
  model->submitUrl();
  model->editName("My App");
  model->nameNext();
  model->iconNext();
  services.titleBar = false;
  services.mode = builder::SigningMode::developerID(" Dev", "profile");

  model->startCreate();
  ASSERT_EQ(services.folderPanels, 1);
  chooseFolder("/out");
  ASSERT_EQ(services.requests.size(), 1u);
  const builder::AppGenerator& request = services.requests[0];
  EXPECT_EQ(request.name, "My App");
  ASSERT_TRUE(request.source.asUrl());
  EXPECT_EQ(request.source.asUrl()->text, " visit example.org today ");
  EXPECT_TRUE(request.fullContent);
  ASSERT_TRUE(request.signing.asDeveloperID());
  EXPECT_EQ(request.signing.asDeveloperID()->identity, " Dev");
  ASSERT_TRUE(request.icon);
  EXPECT_EQ(request.icon->width(), 16);
  EXPECT_EQ(request.color, platform::Color::white());
  EXPECT_EQ(services.buildFolders[0], std::filesystem::path("/out"));
  EXPECT_TRUE(model->isGenerating());
  EXPECT_EQ(model->generationStatus(), "Starting\u2026");
}

TEST_F(WizardTest, ProgressAndSuccessLeadToTheFinishedScreen) {
  toSave();
  model->startCreate();
  chooseFolder("/out");
  EXPECT_FALSE(services.requests[0].fullContent);
  EXPECT_TRUE(services.requests[0].signing.isAdhoc());
  services.progress("Creating app bundle\u2026");
  EXPECT_EQ(model->generationStatus(), "Creating app bundle\u2026");
  services.completion(builder::BuildResult::success("/out/My App.app"));
  EXPECT_FALSE(model->isGenerating());
  EXPECT_EQ(model->generatedAppURL(), std::filesystem::path("/out/My App.app"));
  EXPECT_EQ(model->selectedView(), 5);
  EXPECT_EQ(model->finishedTitle(), "My App is ready!");
  EXPECT_EQ(model->finishedSubtitle(), "A native app for example.org");
  model->openGeneratedApp();
  model->revealGeneratedApp();
  EXPECT_EQ(services.opened, std::vector<std::filesystem::path>{"/out/My App.app"});
  EXPECT_EQ(services.revealed, std::vector<std::filesystem::path>{"/out/My App.app"});
}

TEST_F(WizardTest, AFailureStaysShownUntilTheNextCreate) {
  toSave();
  model->startCreate();
  chooseFolder("/out");
  services.completion(builder::BuildResult::failure(
      std::make_exception_ptr(builder::GeneratorError::signingFailed("no identity"))));
  EXPECT_FALSE(model->isGenerating());
  EXPECT_EQ(model->selectedView(), 3);
  EXPECT_EQ(model->generationError(), "Signing failed: no identity");
  model->editUrl("x");  // other actions leave it
  EXPECT_TRUE(model->generationError());
  model->startCreate();
  EXPECT_FALSE(model->generationError());
  EXPECT_EQ(services.folderPanels, 2);
}

TEST_F(WizardTest, SystemErrorsShowTheirOwnText) {
  toSave();
  model->startCreate();
  chooseFolder("/out");
  services.completion(builder::BuildResult::failure(
      std::make_exception_ptr(std::system_error(std::make_error_code(std::errc::permission_denied), "/out"))));
  EXPECT_EQ(model->generationError(),
            std::system_error(std::make_error_code(std::errc::permission_denied), "/out").what());
}

TEST_F(WizardTest, CompletionAppliesWhereverTheUserIs) {
  toSave();
  model->startCreate();
  chooseFolder("/out");
  model->previousScreen();
  model->previousScreen();
  services.completion(builder::BuildResult::success("/out/My App.app"));
  EXPECT_EQ(model->selectedView(), 5);
}

TEST_F(WizardTest, NoSecondBuildWhileOneRuns) {
  toSave();
  model->startCreate();
  chooseFolder("/out");
  model->startCreate();
  EXPECT_EQ(services.folderPanels, 1);
  EXPECT_EQ(services.requests.size(), 1u);
}

TEST_F(WizardTest, CancelledFolderPanelStartsNothing) {
  toSave();
  model->startCreate();  // the panel never answers
  services.folderChosen({});
  EXPECT_FALSE(model->isGenerating());
  EXPECT_TRUE(services.requests.empty());
}

class WizardLocalSite : public WizardTest {
 protected:
  WizardLocalSite() {
    model->chooseLocalFolder();
    services.folderChosen({"/sites/blog"});
    model->nameNext();
    model->iconNext();
  }
};

TEST_F(WizardLocalSite, RefusesADestinationInsideTheSite) {
  for (const char* destination : {"/sites/blog", "/sites/blog/out"}) {
    SCOPED_TRACE(destination);
    services.alerts.clear();
    model->startCreate();
    chooseFolder(destination);
    ASSERT_EQ(services.alerts.size(), 1u);
    EXPECT_EQ(services.alerts[0], kInsideSiteAlert);
    services.alertClosed(0);
    EXPECT_FALSE(model->isGenerating());
    EXPECT_TRUE(services.requests.empty());
    EXPECT_EQ(model->selectedView(), 3);
  }
}

TEST_F(WizardLocalSite, BuildsTheFolderIntoASiblingFolder) {
  model->startCreate();
  chooseFolder("/sites/apps");
  EXPECT_TRUE(services.alerts.empty());
  ASSERT_EQ(services.requests.size(), 1u);
  ASSERT_TRUE(services.requests[0].source.asLocalFolder());
  EXPECT_EQ(services.requests[0].source.asLocalFolder()->folder, std::filesystem::path("/sites/blog"));
  EXPECT_EQ(services.requests[0].name, "blog");
}

class WizardExistingApp : public WizardTest {
 protected:
  WizardExistingApp() {
    services.existingPaths.insert("/out/My App.app");
    toSave();
    model->startCreate();
    chooseFolder("/out");
  }
};

TEST_F(WizardExistingApp, AsksBeforeReplacing) {
  ASSERT_EQ(services.alerts.size(), 1u);
  EXPECT_EQ(services.alerts[0], (AlertRequest{"\u201CMy App.app\u201D already exists",
                                              "An app with that name is already in this folder. Replace it?",
                                              {"Replace", "Cancel"}}));
  EXPECT_FALSE(model->isGenerating());
  EXPECT_TRUE(services.requests.empty());
}

TEST_F(WizardExistingApp, CancelKeepsEverything) {
  services.alertClosed(1);
  EXPECT_FALSE(model->isGenerating());
  EXPECT_TRUE(services.requests.empty());
  EXPECT_EQ(model->selectedView(), 3);
}

TEST_F(WizardExistingApp, ReplaceBuilds) {
  services.alertClosed(0);
  EXPECT_TRUE(model->isGenerating());
  ASSERT_EQ(services.requests.size(), 1u);
}

TEST_F(WizardTest, ResetClearsTheBuildButNotTheOneShotBack) {
  model->showFavorites();
  model->useFavorite(7);
  buildSucceeds("/out/Gmail.app");
  ASSERT_EQ(services.requests.size(), 1u);
  EXPECT_EQ(services.requests[0].color, *frontend::colorFromHex("#EA4335"));
  EXPECT_EQ(services.requests[0].icon->width(), 650);

  model->resetWizard();
  EXPECT_EQ(model->selectedView(), 0);
  EXPECT_TRUE(model->inputUrl().empty());
  EXPECT_TRUE(model->inputName().empty());
  EXPECT_EQ(model->inputIcon().width(), 16);
  EXPECT_EQ(model->inputColor(), platform::Color::white());
  EXPECT_FALSE(model->generatedAppURL());
  EXPECT_FALSE(model->urlIsValid() || model->nameIsValid() || model->iconIsValid());
  EXPECT_EQ(model->preselectedBack(), 4);
  EXPECT_EQ(model->selectedFavorite().at("name"), "Gmail");
  EXPECT_EQ(model->generationStatus(), "Starting\u2026");

  model->openGeneratedApp();
  model->revealGeneratedApp();
  EXPECT_TRUE(services.opened.empty() && services.revealed.empty());

  toName();
  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 4);
}

TEST_F(WizardTest, BackFromTheFinishedScreenGoesToTheTiles) {
  toSave();
  buildSucceeds();
  model->previousScreen();
  EXPECT_EQ(model->selectedView(), 4);
}

TEST_F(WizardTest, SigningLineFollowsTheTwoSwitches) {
  EXPECT_STREQ(model->signingLine().label, "Preferrably, the /Applications folder");
  EXPECT_STREQ(model->signingLine().symbol, "lightbulb");
  services.notarizeSetting = true;
  EXPECT_STREQ(model->signingLine().label, "Preferrably, the /Applications folder");
  services.developerID = true;
  EXPECT_STREQ(model->signingLine().label, "Signing with Developer ID + notarization (shareable)");
  EXPECT_STREQ(model->signingLine().symbol, "checkmark.seal");
  services.notarizeSetting = false;
  EXPECT_STREQ(model->signingLine().label, "Signing with Developer ID");
}

// Answers that come after the wizard is gone must not touch it.
TEST_F(WizardTest, LateAnswersAfterTheWizardIsGoneAreDropped) {
  toSave();
  model->fetchIcon();
  model->startCreate();
  chooseFolder("/out");
  auto progress = services.progress;
  auto completion = services.completion;
  auto icon = services.iconAnswer;
  model->chooseLocalFolder();
  auto folder = services.folderChosen;
  model->acceptURLDrop({{std::string("late.org"), {}, {}}});
  model.reset();
  progress("Signing app\u2026");
  completion(builder::BuildResult::success("/out/My App.app"));
  icon(std::nullopt);
  folder({"/x"});
  drainMainQueue();
  SUCCEED();
}

TEST_F(WizardTest, SettingsSheetFlag) {
  model->setShowSettings(true);
  EXPECT_TRUE(model->showSettings());
  model->setShowSettings(false);
  EXPECT_FALSE(model->showSettings());
}

}  // namespace
