#pragma once
// The build wizard without its drawing: the state of one build, the actions of
// every screen and the screen state machine. Views read the state, call the
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
#include "frontend/change_signal.hpp"
#include "frontend/favorite_apps.hpp"
#include "frontend/wizard_screens.hpp"
#include "frontend/wizard_services.hpp"
#include "platform/image.hpp"

namespace frontend {

// One bit per state field, so a view redraws only what changed.
enum class WizardField : std::uint32_t {
  inputUrl = 1u << 0,
  inputName = 1u << 1,
  inputIcon = 1u << 2,
  inputColor = 1u << 3,
  urlIsValid = 1u << 4,
  nameIsValid = 1u << 5,
  iconIsValid = 1u << 6,
  isTargeted = 1u << 7,
  selectedView = 1u << 8,
  preselectedBack = 1u << 9,
  selectedFavorite = 1u << 10,
  useLocalFolder = 1u << 11,
  localFolderURL = 1u << 12,
  isGenerating = 1u << 13,
  generationStatus = 1u << 14,
  generationError = 1u << 15,
  generatedAppURL = 1u << 16,
  isFetchingIcon = 1u << 17,
  showSettings = 1u << 18,
};

class WizardChanges {
 public:
  void add(WizardField field) { bits_ |= std::uint32_t(field); }
  bool contains(WizardField field) const { return (bits_ & std::uint32_t(field)) != 0; }
  bool empty() const { return bits_ == 0; }

 private:
  std::uint32_t bits_ = 0;
};

// One dragged item as the drop target hands it over, by the kinds it offers.
// Each is either text the toolkit already made, or the raw bytes.
struct DropItem {
  using Content = std::variant<std::string, std::vector<std::uint8_t>>;
  std::optional<Content> url;        // a web address
  std::optional<Content> plainText;  // UTF-8 text
  std::optional<Content> fileURL;    // a "file:" URL (or an absolute path)
};

class WizardModel {
 public:
  // `services` must outlive the model. Loads the default icon at once.
  explicit WizardModel(WizardServices& services);
  ~WizardModel();
  WizardModel(const WizardModel&) = delete;
  WizardModel& operator=(const WizardModel&) = delete;

  using Observer = std::function<void(const WizardChanges&)>;
  [[nodiscard]] Connection observe(Observer observer) { return changed_.connect(std::move(observer)); }

  // State.
  const std::string& inputUrl() const { return inputUrl_; }
  const std::string& inputName() const { return inputName_; }
  const platform::Image& inputIcon() const { return inputIcon_; }
  const platform::Color& inputColor() const { return inputColor_; }
  bool justTrue() const { return true; }
  bool urlIsValid() const { return urlIsValid_; }
  bool nameIsValid() const { return nameIsValid_; }
  bool iconIsValid() const { return iconIsValid_; }
  bool isTargeted() const { return isTargeted_; }
  int selectedView() const { return selectedView_; }
  int preselectedBack() const { return preselectedBack_; }
  const FavoriteApp& selectedFavorite() const { return selectedFavorite_; }
  bool useLocalFolder() const { return useLocalFolder_; }
  const std::optional<std::filesystem::path>& localFolderURL() const { return localFolderURL_; }
  bool isGenerating() const { return isGenerating_; }
  const std::string& generationStatus() const { return generationStatus_; }
  const std::optional<std::string>& generationError() const { return generationError_; }
  const std::optional<std::filesystem::path>& generatedAppURL() const { return generatedAppURL_; }
  bool isFetchingIcon() const { return isFetchingIcon_; }
  bool showSettings() const { return showSettings_; }

  // What the views draw from the state.
  std::optional<ScreenInfo> currentScreen() const { return screenInfo(selectedView_); }
  bool backVisible() const { return selectedView_ >= 1; }
  bool configureVisible() const { return selectedView_ == favoritesScreen && !selectedFavorite_.empty(); }
  bool continueEnabled() const { return urlIsValid_; }
  double continueOpacity() const { return urlIsValid_ ? 1.0 : 0.35; }
  bool fetchButtonShown() const { return !useLocalFolder_; }
  bool resetButtonShown() const { return iconIsValid_; }
  int iconButtonRowWidth() const { return useLocalFolder_ ? 180 : 360; }
  bool isFavoriteSelected(std::size_t index) const;
  double favoriteOpacity(std::size_t index) const { return isFavoriteSelected(index) ? 1.0 : 0.8; }
  LabelledSymbol signingLine() const;
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

  // Icon screen.
  bool acceptIconDrop(const std::vector<DropItem>& items);
  void setIsTargeted(bool targeted);
  void fetchIcon();
  void resetIcon();
  void iconNext();

  // Ready-made apps screen.
  void selectFavorite(std::size_t index);
  void useFavorite(std::size_t index);
  void clearFavoriteSelection();
  void configureFavorite();

  // Save and finished screens.
  void startCreate();
  void openGeneratedApp();
  void revealGeneratedApp();
  void resetWizard();

  void previousScreen();
  void setShowSettings(bool shown);

 private:
  template <typename T>
  void assign(T& field, T value, WizardField which);
  void setIcon(platform::Image icon);
  void commit();
  void createApp(const std::vector<std::filesystem::path>& folders, const builder::SiteSource& source);
  void startBuild(const std::filesystem::path& folder, const builder::SiteSource& source);
  void finishBuild(const builder::BuildResult& result);
  void leaveForName();
  // Deferred callbacks reach the model through this, so a late answer after
  // the wizard is gone does nothing.
  std::weak_ptr<WizardModel*> weak() const { return self_; }

  WizardServices& services_;
  std::shared_ptr<WizardModel*> self_;

  std::string inputUrl_;
  std::string inputName_;
  platform::Image inputIcon_;
  platform::Color inputColor_ = platform::Color::white();
  bool urlIsValid_ = false;
  bool nameIsValid_ = false;
  bool iconIsValid_ = false;
  bool isTargeted_ = true;
  int selectedView_ = websiteScreen;
  int preselectedBack_ = -1;
  FavoriteApp selectedFavorite_;
  bool useLocalFolder_ = false;
  std::optional<std::filesystem::path> localFolderURL_;
  bool isGenerating_ = false;
  std::string generationStatus_;
  std::optional<std::string> generationError_;
  std::optional<std::filesystem::path> generatedAppURL_;
  bool isFetchingIcon_ = false;
  bool showSettings_ = false;

  WizardChanges pending_;
  Signal<const WizardChanges&> changed_;
};

// The name a site folder gives an app: its last path component without the
// extension ("My Site.web" → "My Site").
std::string appNameForFolder(const std::filesystem::path& folder);

}  // namespace frontend
