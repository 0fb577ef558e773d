#include "frontend/wizard_model.hpp"

#include "platform/dispatch.hpp"
#include "platform/link_detector.hpp"
#include "platform/text.hpp"
#include "platform/url.hpp"

namespace frontend {
namespace {

std::string trimmed(const std::string& text) { return std::string(platform::trimmedWhitespaceAndNewlines(text)); }

std::optional<std::string> droppedAddress(const DropItem& item) {
  if (item.url) {
    auto text = dropText(*item.url);
    if (!text || std::holds_alternative<std::string>(*item.url)) return text;
    // Raw bytes must make a URL before they count.
    auto url = platform::Url::parse(trimmed(*text));
    if (!url) return std::nullopt;
    return url->string();
  }
  if (item.plainText) return dropText(*item.plainText);
  return std::nullopt;
}

}  // namespace

WizardModel::WizardModel(WizardServices& services)
    : services_(services),
      self_(std::make_shared<WizardModel*>(this)),
      icon_(services, log_),
      build_(
          services, log_, [this] { return AppInputs{inputName_, icon_.inputIcon(), icon_.inputColor()}; },
          [this] { log_.assign(selectedView_, int(finishedScreen), WizardField::selectedView); }) {}

WizardModel::~WizardModel() = default;

bool WizardModel::isFavoriteSelected(std::size_t index) const {
  return index < favoriteApps().size() && !selectedFavorite_.empty() && favoriteApps()[index] == selectedFavorite_;
}

std::string WizardModel::finishedSubtitle() const {
  return std::string(wizard_text::nativeAppFor) + (useLocalFolder_ ? wizard_text::yourLocalSite : inputUrl_);
}

// Website screen.

void WizardModel::editUrl(const std::string& text) {
  WizardChangeLog::Batch batch(log_);
  log_.assign(inputUrl_, text, WizardField::inputUrl);
  if (selectedView_ == websiteScreen) validateURL();
}

void WizardModel::validateURL() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(urlIsValid_, platform::containsLink(inputUrl_), WizardField::urlIsValid);
}

void WizardModel::leaveForName() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(useLocalFolder_, false, WizardField::useLocalFolder);
  log_.assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  log_.assign(selectedView_, int(nameScreen), WizardField::selectedView);
}

void WizardModel::submitUrl() {
  if (urlIsValid_) leaveForName();
}

void WizardModel::continueToName() {
  // The button takes no clicks while dimmed.
  if (urlIsValid_) leaveForName();
}

void WizardModel::showFavorites() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(useLocalFolder_, false, WizardField::useLocalFolder);
  log_.assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  log_.assign(selectedView_, int(favoritesScreen), WizardField::selectedView);
  log_.assign(selectedFavorite_, FavoriteApp(), WizardField::selectedFavorite);
}

void WizardModel::chooseLocalFolder() {
  services_.chooseFolder([weak = weak()](std::vector<std::filesystem::path> folders) {
    auto self = weak.lock();
    if (!self || folders.empty()) return;
    WizardModel& model = **self;
    WizardChangeLog::Batch batch(model.log_);
    model.log_.assign(model.useLocalFolder_, true, WizardField::useLocalFolder);
    model.log_.assign(model.localFolderURL_, std::optional(folders.front()), WizardField::localFolderURL);
    if (model.inputName_.empty()) {
      model.log_.assign(model.inputName_, appNameForFolder(folders.front()), WizardField::inputName);
      model.log_.assign(model.nameIsValid_, !model.inputName_.empty(), WizardField::nameIsValid);
    }
    model.log_.assign(model.selectedView_, int(nameScreen), WizardField::selectedView);
  });
}

bool WizardModel::acceptURLDrop(const std::vector<DropItem>& items) {
  if (items.empty()) return false;
  auto text = droppedAddress(items.front());
  if (!text) return true;
  std::string address = trimmed(*text);
  if (address.empty()) return true;
  // The dropped text arrives like a typed one, with its validation.
  platform::postToMain([weak = weak(), address] {
    if (auto self = weak.lock()) (*self)->editUrl(address);
  });
  return true;
}

// Name screen.

void WizardModel::editName(const std::string& text) {
  WizardChangeLog::Batch batch(log_);
  log_.assign(inputName_, text, WizardField::inputName);
  if (selectedView_ == nameScreen) validateName();
}

void WizardModel::validateName() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(nameIsValid_, !inputName_.empty(), WizardField::nameIsValid);
}

void WizardModel::nameNext() {
  WizardChangeLog::Batch batch(log_);
  if (!nameIsValid_) return;
  log_.assign(selectedView_, int(iconScreen), WizardField::selectedView);
}

// Icon screen.

void WizardModel::fetchIcon() { icon_.fetchIcon(inputUrl_); }

void WizardModel::iconNext() {
  WizardChangeLog::Batch batch(log_);
  if (!nameIsValid_) return;
  log_.assign(selectedView_, int(saveScreen), WizardField::selectedView);
}

// Ready-made apps screen.

void WizardModel::selectFavorite(std::size_t index) {
  WizardChangeLog::Batch batch(log_);
  if (index >= favoriteApps().size()) return;
  const FavoriteApp& app = favoriteApps()[index];
  log_.assign(selectedFavorite_, app, WizardField::selectedFavorite);
  log_.assign(inputName_, app.at("name"), WizardField::inputName);
  log_.assign(inputUrl_, app.at("url"), WizardField::inputUrl);
}

void WizardModel::useFavorite(std::size_t index) {
  WizardChangeLog::Batch batch(log_);
  if (index >= favoriteApps().size()) return;
  const FavoriteApp& app = favoriteApps()[index];
  log_.assign(selectedFavorite_, app, WizardField::selectedFavorite);
  log_.assign(inputName_, app.at("name"), WizardField::inputName);
  log_.assign(inputUrl_, app.at("url"), WizardField::inputUrl);
  // Each step needs the one before; whatever is missing ends the action with
  // the steps done so far kept.
  if (!icon_.useGlyph(app)) return;
  log_.assign(selectedView_, int(saveScreen), WizardField::selectedView);
  log_.assign(preselectedBack_, int(favoritesScreen), WizardField::preselectedBack);
}

void WizardModel::clearFavoriteSelection() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(selectedFavorite_, FavoriteApp(), WizardField::selectedFavorite);
}

void WizardModel::configureFavorite() {
  WizardChangeLog::Batch batch(log_);
  if (!configureVisible()) return;
  log_.assign(selectedView_, int(saveScreen), WizardField::selectedView);
  log_.assign(preselectedBack_, int(favoritesScreen), WizardField::preselectedBack);
}

// Navigation.

void WizardModel::previousScreen() {
  WizardChangeLog::Batch batch(log_);
  // The Back item is hidden, and takes no clicks, on the first screen.
  if (!backVisible()) return;
  if (preselectedBack_ != -1) {
    log_.assign(selectedView_, preselectedBack_, WizardField::selectedView);
    log_.assign(preselectedBack_, -1, WizardField::preselectedBack);
  } else if (selectedView_ == favoritesScreen) {
    log_.assign(selectedView_, int(websiteScreen), WizardField::selectedView);
  } else {
    log_.assign(selectedView_, selectedView_ - 1, WizardField::selectedView);
  }
}

void WizardModel::setShowSettings(bool shown) {
  WizardChangeLog::Batch batch(log_);
  log_.assign(showSettings_, shown, WizardField::showSettings);
}

// Save and finished screens.

void WizardModel::startCreate() {
  // The source is fixed now, before the folder panel.
  build_.startCreate(useLocalFolder_ && localFolderURL_ ? builder::SiteSource::localFolder(*localFolderURL_)
                                                        : builder::SiteSource::url(inputUrl_));
}

void WizardModel::resetWizard() {
  WizardChangeLog::Batch batch(log_);
  log_.assign(selectedView_, int(websiteScreen), WizardField::selectedView);
  log_.assign(inputUrl_, std::string(), WizardField::inputUrl);
  log_.assign(inputName_, std::string(), WizardField::inputName);
  icon_.reset();
  log_.assign(useLocalFolder_, false, WizardField::useLocalFolder);
  log_.assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  build_.reset();
  log_.assign(urlIsValid_, false, WizardField::urlIsValid);
  log_.assign(nameIsValid_, false, WizardField::nameIsValid);
}

std::string appNameForFolder(const std::filesystem::path& folder) {
  std::filesystem::path name = folder.filename();
  if (name.empty()) name = folder.parent_path().filename();  // "…/site.folder/"
  return name.stem().string();
}

}  // namespace frontend
