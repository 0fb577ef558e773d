// The save screen, the build it starts and what follows it.
#include "builder/generator_error.hpp"
#include "support/temp_dir.hpp"
#include "wizard_fixture.hpp"

namespace {

using wizard_testing::WizardTest;

// A failure stays shown until the next Create, which builds from the state and
// the settings; success shows the finished screen wherever the user is (the
// rest is the create journey's).
TEST_F(WizardTest, CreateBuildsTheRequestFromStateAndSettingsAndEndsOnTheFinishedScreen) {
  toSave(" visit example.org today ");
  startBuildInto("/out");
  services.completion(
      builder::BuildResult::failure(std::make_exception_ptr(builder::GeneratorError::signingFailed("no identity"))));
  EXPECT_FALSE(model->build().isGenerating());
  EXPECT_EQ(model->selectedView(), 3);
  EXPECT_EQ(model->build().generationError(), "Signing failed: no identity");
  model->startCreate();
  EXPECT_FALSE(model->build().generationError());
  services.folderChosen({});  // cancelled
  EXPECT_FALSE(model->build().isGenerating());

  services.titleBar = false;
  services.mode = builder::SigningMode::developerID(" Dev", "profile");
  startBuildInto("/out");
  ASSERT_EQ(services.requests.size(), 2u);
  const builder::AppGenerator& request = services.requests[1];
  EXPECT_EQ(request.name, "My App");
  EXPECT_EQ(request.source.asUrl()->text, " visit example.org today ");
  EXPECT_TRUE(request.fullContent);
  ASSERT_TRUE(request.signing.asDeveloperID());
  EXPECT_EQ(request.signing.asDeveloperID()->identity, " Dev");
  EXPECT_EQ(request.icon->width(), 16);
  model->startCreate();  // the save screen shows only progress now
  EXPECT_EQ(services.folderPanels, 3);
  model->previousScreen();
  services.completion(builder::BuildResult::success("/out/My App.app"));
  EXPECT_EQ(model->selectedView(), 5);
}

// What the save screen asks before a build, and whether the build starts.
struct SaveRow {
  const char* name;
  const char* appName;      // nullptr: the local folder /sites/blog names it
  const char* destination;  // below the test's folder, or absolute
  const char* existing;     // an app already there, below the destination
  const char* alert;        // the question asked; nullptr: none
  std::size_t answer;
  bool builds;
  bool existingIsADanglingLink = false;  // still something in the way
};
void PrintTo(const SaveRow& row, std::ostream* os) { *os << row.name; }

class SaveQuestions : public WizardTest, public testing::WithParamInterface<SaveRow> {};

TEST_P(SaveQuestions, ComeBeforeAnyBuildWhichStartsOnlyWhenAllowed) {
  const SaveRow& row = GetParam();
  testing_support::TempDir dir;
  const std::filesystem::path out = row.destination[0] == '/' ? row.destination : dir / row.destination;
  if (row.existingIsADanglingLink) {
    std::filesystem::create_directories(out);
    std::filesystem::create_symlink(dir / "missing", out / row.existing);
  } else if (row.existing) {
    testing_support::writeFile(out / row.existing / "Contents/Info.plist", "");
  }
  if (row.appName) {
    model->editUrl("example.org");
    model->submitUrl();
    model->editName(row.appName);
  } else {
    model->chooseLocalFolder();
    chooseFolder("/sites/blog");
  }
  model->nameNext();
  model->iconNext();
  startBuildInto(out);
  if (row.alert) {
    ASSERT_EQ(services.alerts.size(), 1u);
    EXPECT_EQ(services.alerts[0].message, row.alert);
    services.alertClosed(row.answer);
  }
  EXPECT_EQ(services.alerts.size(), row.alert ? 1u : 0u);
  ASSERT_EQ(services.requests.size(), row.builds ? 1u : 0u);
  EXPECT_EQ(model->build().isGenerating(), row.builds);
  EXPECT_EQ(model->selectedView(), 3);
  if (row.builds && !row.appName) {
    EXPECT_EQ(services.requests[0].source.asLocalFolder()->folder, std::filesystem::path("/sites/blog"));
    EXPECT_EQ(services.requests[0].name, "blog");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveQuestions,
    testing::Values(
        // Cancel is the replace journey's.
        SaveRow{"ExistingAppReplaced", "My App", "out", "My App.app", "\u201CMy App.app\u201D already exists", 0, true},
        SaveRow{"DanglingLinkAsks", "My App", "out", "My App.app", "\u201CMy App.app\u201D already exists", 1, false, true},
        // A leading "/" reaches into a sub-folder of the chosen one: the question is about that app.
        SaveRow{"LeadingSlashAsksAboutTheSubFolder", "/Sub/App", "out", "Sub/App.app",
                "\u201C/Sub/App.app\u201D already exists", 1, false},
        // Every name the builder refuses is one of Pipeline.RefusedRequestsChangeNothing.
        SaveRow{"NameLeavingTheFolder", "a/../../b", "out", nullptr, "Choose a different name", 0, false},
        SaveRow{"IntoTheSite", nullptr, "/sites/blog", nullptr, "Choose a different location", 0, false},
        SaveRow{"BesideTheSite", nullptr, "/sites/apps", nullptr, nullptr, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Answers that arrive after the wizard is gone must not touch it: a live
// wizard would start a build for the "Replace" answer and for the folder.
TEST_F(WizardTest, LateAnswersAfterTheWizardIsGoneAreDropped) {
  testing_support::TempDir out;
  toSave();
  startBuildInto(out.path());
  auto progress = services.progress;
  auto completion = services.completion;
  model.reset();
  progress("Signing app\u2026");
  completion(builder::BuildResult::success(out / "My App.app"));

  model = std::make_unique<frontend::WizardModel>(services);
  toSave();
  testing_support::writeFile(out / "My App.app/Contents/Info.plist", "");
  startBuildInto(out.path());
  auto replace = services.alertClosed;
  model->startCreate();
  auto createInto = services.folderChosen;
  model->fetchIcon();
  auto icon = services.iconAnswer;
  model->chooseLocalFolder();
  auto localFolder = services.folderChosen;
  model->acceptURLDrop({{std::string("late.org"), {}, {}}});
  model.reset();
  replace(0);
  createInto({out / "elsewhere"});
  icon(std::nullopt);
  localFolder({"/x"});
  drainMainQueue();
  EXPECT_EQ(services.requests.size(), 1u);
  EXPECT_EQ(services.alerts.size(), 1u);
}

}  // namespace
