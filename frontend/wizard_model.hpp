#pragma once
// The build wizard without its drawing: the screen state machine with the
// website, name and ready-made apps screens, over two steps of their own: the
// icon (IconStep) and the build (BuildStep). Views read the state, call the
// actions and redraw when an observer reports what changed. Main thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "builder/app_generator.hpp"
#include "frontend/favorite_apps.hpp"
#include "frontend/wizard_build_step.hpp"
#include "frontend/wizard_changes.hpp"
#include "frontend/wizard_icon_step.hpp"
#include "frontend/wizard_screens.hpp"
#include "frontend/wizard_services.hpp"
#include "platform/image.hpp"

namespace frontend {

class WizardModel {
 public:
  // `services` must outlive the model. Loads the default icon at once.
  explicit WizardModel(WizardServices& services);
  ~WizardModel();
  WizardModel(const WizardModel&) = delete;
  WizardModel& operator=(const WizardModel&) = delete;

  [[nodiscard]] Connection observe(WizardChangeLog::Observer observer) { return log_.observe(std::move(observer)); }

  // The icon screen's state and actions (inputIcon, inputColor, iconIsValid,
  // isTargeted, isFetchingIcon) and the save and finished screens' (isGenerating,
  // generationStatus, generationError, generatedAppURL).
  IconStep& icon() { return icon_; }
  const IconStep& icon() const { return icon_; }
  BuildStep& build() { return build_; }
  const BuildStep& build() const { return build_; }

  // State.
  const std::string& inputUrl() const { return inputUrl_; }
  const std::string& inputName() const { return inputName_; }
  bool justTrue() const { return true; }
  bool urlIsValid() const { return urlIsValid_; }
  bool nameIsValid() const { return nameIsValid_; }
  int selectedView() const { return selectedView_; }
  int preselectedBack() const { return preselectedBack_; }
  const FavoriteApp& selectedFavorite() const { return selectedFavorite_; }
  bool useLocalFolder() const { return useLocalFolder_; }
  const std::optional<std::filesystem::path>& localFolderURL() const { return localFolderURL_; }
  bool showSettings() const { return showSettings_; }

  // What the views show that is more than one field.
  std::optional<ScreenInfo> currentScreen() const { return screenInfo(selectedView_); }
  bool backVisible() const { return selectedView_ >= 1; }
  bool configureVisible() const { return selectedView_ == favoritesScreen && !selectedFavorite_.empty(); }
  bool isFavoriteSelected(std::size_t index) const;
  std::string finishedTitle() const { return inputName_ + wizard_text::readySuffix; }
  std::string finishedSubtitle() const;

  // Website screen.
  void editUrl(const std::string& text);  // the field's text changed
  void validateURL();
  void submitUrl();  // Return in the field
  void continueToName();
  void showFavorites();
  void chooseLocalFolder();
  // Returns whether the drop is taken; the text arrives later.
  bool acceptURLDrop(const std::vector<DropItem>& items);

  // Name screen.
  void editName(const std::string& text);
  void validateName();
  void nameNext();

  // Icon screen (the rest is icon()'s).
  void fetchIcon();  // of the website typed
  void iconNext();

  // Ready-made apps screen.
  void selectFavorite(std::size_t index);
  void useFavorite(std::size_t index);
  void clearFavoriteSelection();
  void configureFavorite();

  // Save and finished screens (the rest is build()'s).
  void startCreate();
  void resetWizard();

  void previousScreen();
  void setShowSettings(bool shown);

 private:
  void leaveForName();
  // Deferred callbacks reach the model through this, so a late answer after
  // the wizard is gone does nothing.
  std::weak_ptr<WizardModel*> weak() const { return self_; }

  WizardServices& services_;
  std::shared_ptr<WizardModel*> self_;
  WizardChangeLog log_;

  std::string inputUrl_;
  std::string inputName_;
  bool urlIsValid_ = false;
  bool nameIsValid_ = false;
  int selectedView_ = websiteScreen;
  int preselectedBack_ = -1;
  FavoriteApp selectedFavorite_;
  bool useLocalFolder_ = false;
  std::optional<std::filesystem::path> localFolderURL_;
  bool showSettings_ = false;

  IconStep icon_;
  BuildStep build_;
};

// The name a site folder gives an app: its last path component without the
// extension ("My Site.web" → "My Site").
std::string appNameForFolder(const std::filesystem::path& folder);

}  // namespace frontend
