#include "frontend/wizard_build_step.hpp"

#include "builder/generator_error.hpp"

namespace frontend {

BuildStep::BuildStep(WizardServices& services, WizardChangeLog& log, std::function<AppInputs()> inputs,
                     std::function<void()> built)
    : services_(services),
      log_(log),
      inputs_(std::move(inputs)),
      built_(std::move(built)),
      self_(std::make_shared<BuildStep*>(this)) {}

LabelledSymbol BuildStep::signingLine() const {
  if (!services_.useDeveloperID()) return wizard_text::adhocSigning;
  return services_.notarize() ? wizard_text::notarizedSigning : wizard_text::developerIDSigning;
}

void BuildStep::startCreate(const builder::SiteSource& source) {
  // The save screen shows only the progress while a build runs.
  if (isGenerating_) return;
  {
    WizardChangeLog::Batch batch(log_);
    log_.assign(generationError_, std::optional<std::string>(), WizardField::generationError);
  }
  services_.chooseFolder([weak = weak(), source](std::vector<std::filesystem::path> folders) {
    if (auto self = weak.lock()) (*self)->createApp(folders, source);
  });
}

void BuildStep::createApp(const std::vector<std::filesystem::path>& folders, const builder::SiteSource& source) {
  if (folders.empty()) return;
  const std::filesystem::path& folder = folders.front();
  if (const auto* local = source.asLocalFolder(); local && services_.isInside(folder, local->folder)) {
    services_.showAlert({wizard_text::chooseDifferentLocation,
                         builder::GeneratorError::destinationInsideSource().errorDescription(),
                         {wizard_text::ok}},
                        [](std::size_t) {});
    return;
  }
  const std::string name = inputs_().name;
  if (auto problem = builder::nameProblem(name)) {
    services_.showAlert({wizard_text::chooseDifferentName, *problem, {wizard_text::ok}}, [](std::size_t) {});
    return;
  }
  // The very path the builder will write, so the question is asked about the right app.
  if (services_.fileExists(builder::destinationFor(folder, name))) {
    services_.showAlert(
        {alreadyExistsMessage(name), wizard_text::replaceQuestion, {wizard_text::replace, wizard_text::cancel}},
        [weak = weak(), folder, source](std::size_t button) {
          auto self = weak.lock();
          if (self && button == 0) (*self)->startBuild(folder, source);
        });
    return;
  }
  startBuild(folder, source);
}

void BuildStep::startBuild(const std::filesystem::path& folder, const builder::SiteSource& source) {
  if (isGenerating_) return;
  {
    WizardChangeLog::Batch batch(log_);
    log_.assign(isGenerating_, true, WizardField::isGenerating);
    log_.assign(generationStatus_, std::string(wizard_text::starting), WizardField::generationStatus);
  }
  AppInputs inputs = inputs_();
  builder::AppGenerator request;
  request.name = inputs.name;
  request.source = source;
  request.fullContent = !services_.showTitleBar();
  request.icon = inputs.icon;
  request.color = inputs.color;
  request.signing = services_.signingMode();
  services_.generate(
      request, folder,
      [weak = weak()](const std::string& text) {
        auto self = weak.lock();
        if (!self) return;
        WizardChangeLog::Batch batch((*self)->log_);
        (*self)->log_.assign((*self)->generationStatus_, text, WizardField::generationStatus);
      },
      [weak = weak()](const builder::BuildResult& result) {
        if (auto self = weak.lock()) (*self)->finishBuild(result);
      });
}

void BuildStep::finishBuild(const builder::BuildResult& result) {
  WizardChangeLog::Batch batch(log_);
  log_.assign(isGenerating_, false, WizardField::isGenerating);
  if (result.succeeded()) {
    log_.assign(generatedAppURL_, result.app, WizardField::generatedAppURL);
    built_();
  } else {
    log_.assign(generationError_, std::optional(result.errorDescription()), WizardField::generationError);
  }
}

void BuildStep::openGeneratedApp() {
  if (generatedAppURL_) services_.openApp(*generatedAppURL_);
}

void BuildStep::revealGeneratedApp() {
  if (generatedAppURL_) services_.reveal(*generatedAppURL_);
}

void BuildStep::reset() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(generatedAppURL_, std::optional<std::filesystem::path>(), WizardField::generatedAppURL);
  log_.assign(generationError_, std::optional<std::string>(), WizardField::generationError);
}

}  // namespace frontend
