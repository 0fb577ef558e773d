#pragma once
// The save and finished screens' part of the wizard: choosing the folder,
// the questions before a build, the running build with its progress and
// error, and the app it made.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "builder/app_generator.hpp"
#include "frontend/wizard_changes.hpp"
#include "frontend/wizard_screens.hpp"
#include "frontend/wizard_services.hpp"

namespace frontend {

// What the build takes from the other screens, read when it starts.
struct AppInputs {
  std::string name;
  platform::Image icon;
  platform::Color color;
};

class BuildStep {
 public:
  // `inputs` is asked when a folder has been chosen; `built` runs (inside the
  // same change) when a build succeeds.
  BuildStep(WizardServices& services, WizardChangeLog& log, std::function<AppInputs()> inputs,
            std::function<void()> built);

  bool isGenerating() const { return isGenerating_; }
  const std::string& generationStatus() const { return generationStatus_; }
  const std::optional<std::string>& generationError() const { return generationError_; }
  const std::optional<std::filesystem::path>& generatedAppURL() const { return generatedAppURL_; }
  // The line under the save screen's hint, from the two signing switches.
  LabelledSymbol signingLine() const;

  // Clears the last error and asks for a folder; `source` is fixed now.
  void startCreate(const builder::SiteSource& source);
  void openGeneratedApp();
  void revealGeneratedApp();
  // "Create another app": no app, no error.
  void reset();

 private:
  void createApp(const std::vector<std::filesystem::path>& folders, const builder::SiteSource& source);
  void startBuild(const std::filesystem::path& folder, const builder::SiteSource& source);
  void finishBuild(const builder::BuildResult& result);
  // Deferred answers reach the step through this, so a late one after the wizard is gone does nothing.
  std::weak_ptr<BuildStep*> weak() const { return self_; }

  WizardServices& services_;
  WizardChangeLog& log_;
  std::function<AppInputs()> inputs_;
  std::function<void()> built_;
  std::shared_ptr<BuildStep*> self_;
  bool isGenerating_ = false;
  std::string generationStatus_;
  std::optional<std::string> generationError_;
  std::optional<std::filesystem::path> generatedAppURL_;
};

}  // namespace frontend
