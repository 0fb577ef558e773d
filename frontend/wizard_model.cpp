#include "frontend/wizard_model.hpp"

#include "platform/text.hpp"

#include <glib.h>

#include "builder/generator_error.hpp"
#include "frontend/wizard_images.hpp"
#include "platform/dispatch.hpp"
#include "platform/link_detector.hpp"
#include "platform/url.hpp"

namespace frontend {
namespace {

// The text in a dropped item, ready-made or raw bytes; either must be UTF-8.
std::optional<std::string> dropText(const DropItem::Content& content) {
  std::string text;
  if (const auto* ready = std::get_if<std::string>(&content)) {
    text = *ready;
  } else {
    const auto& bytes = std::get<std::vector<std::uint8_t>>(content);
    text.assign(bytes.begin(), bytes.end());
  }
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;
  return text;
}

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

// Only local files: a drop must never start a download.
std::optional<std::filesystem::path> droppedFile(const DropItem& item) {
  if (!item.fileURL) return std::nullopt;
  auto text = dropText(*item.fileURL);
  if (!text || text->empty()) return std::nullopt;
  if (text->front() == '/') return std::filesystem::path(*text);
  auto url = platform::Url::parse(*text);
  if (!url || !url->isFile()) return std::nullopt;
  return url->filePath();
}

}  // namespace

WizardModel::WizardModel(WizardServices& services)
    : services_(services),
      self_(std::make_shared<WizardModel*>(this)),
      inputIcon_(defaultAppIcon([&](const std::string& name) { return services.imageNamed(name); })) {}

WizardModel::~WizardModel() = default;

template <typename T>
void WizardModel::assign(T& field, T value, WizardField which) {
  if (field == value) return;
  field = std::move(value);
  pending_.add(which);
}

void WizardModel::setIcon(platform::Image icon) {
  inputIcon_ = std::move(icon);
  pending_.add(WizardField::inputIcon);
}

void WizardModel::commit() {
  if (pending_.empty()) return;
  WizardChanges changes = pending_;
  pending_ = {};
  changed_.emit(changes);
}

bool WizardModel::isFavoriteSelected(std::size_t index) const {
  return index < favoriteApps().size() && !selectedFavorite_.empty() && favoriteApps()[index] == selectedFavorite_;
}

LabelledSymbol WizardModel::signingLine() const {
  if (!services_.useDeveloperID()) return wizard_text::adhocSigning;
  return services_.notarize() ? wizard_text::notarizedSigning : wizard_text::developerIDSigning;
}

std::string WizardModel::finishedSubtitle() const {
  return std::string(wizard_text::nativeAppFor) + (useLocalFolder_ ? wizard_text::yourLocalSite : inputUrl_);
}

// Website screen.

void WizardModel::editUrl(const std::string& text) {
  assign(inputUrl_, text, WizardField::inputUrl);
  if (selectedView_ == websiteScreen) validateURL();
  commit();
}

void WizardModel::validateURL() {
  assign(urlIsValid_, platform::containsLink(inputUrl_), WizardField::urlIsValid);
  commit();
}

void WizardModel::leaveForName() {
  assign(useLocalFolder_, false, WizardField::useLocalFolder);
  assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  assign(selectedView_, int(nameScreen), WizardField::selectedView);
  commit();
}

void WizardModel::submitUrl() {
  if (urlIsValid_) leaveForName();
}

void WizardModel::continueToName() {
  // The button takes no clicks while dimmed.
  if (continueEnabled()) leaveForName();
}

void WizardModel::showFavorites() {
  assign(useLocalFolder_, false, WizardField::useLocalFolder);
  assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  assign(selectedView_, int(favoritesScreen), WizardField::selectedView);
  assign(selectedFavorite_, FavoriteApp(), WizardField::selectedFavorite);
  commit();
}

void WizardModel::chooseLocalFolder() {
  services_.chooseFolder([weak = weak()](std::vector<std::filesystem::path> folders) {
    auto self = weak.lock();
    if (!self || folders.empty()) return;
    WizardModel& model = **self;
    model.assign(model.useLocalFolder_, true, WizardField::useLocalFolder);
    model.assign(model.localFolderURL_, std::optional(folders.front()), WizardField::localFolderURL);
    if (model.inputName_.empty()) {
      model.assign(model.inputName_, appNameForFolder(folders.front()), WizardField::inputName);
      model.assign(model.nameIsValid_, !model.inputName_.empty(), WizardField::nameIsValid);
    }
    model.assign(model.selectedView_, int(nameScreen), WizardField::selectedView);
    model.commit();
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
  assign(inputName_, text, WizardField::inputName);
  if (selectedView_ == nameScreen) validateName();
  commit();
}

void WizardModel::validateName() {
  assign(nameIsValid_, !inputName_.empty(), WizardField::nameIsValid);
  commit();
}

void WizardModel::nameNext() {
  if (!nameIsValid_) return;
  assign(selectedView_, int(iconScreen), WizardField::selectedView);
  commit();
}

// Icon screen.

bool WizardModel::acceptIconDrop(const std::vector<DropItem>& items) {
  if (items.empty()) return true;
  auto path = droppedFile(items.front());
  if (!path) return true;
  // Decoding a large picture must not stall the interface.
  platform::postToBackground([weak = weak(), path = *path] {
    auto image = platform::Image::load(path);
    if (!image || image->width() <= 0) return;
    platform::postToMain([weak, image = *image]() mutable {
      auto self = weak.lock();
      if (!self) return;
      WizardModel& model = **self;
      model.setIcon(std::move(image));
      model.assign(model.iconIsValid_, true, WizardField::iconIsValid);
      model.commit();
    });
  });
  return true;
}

void WizardModel::setIsTargeted(bool targeted) {
  assign(isTargeted_, targeted, WizardField::isTargeted);
  commit();
}

void WizardModel::fetchIcon() {
  if (inputUrl_.empty()) return;
  assign(isFetchingIcon_, true, WizardField::isFetchingIcon);
  commit();
  services_.fetchWebsiteIcon(inputUrl_, [weak = weak()](std::optional<platform::Image> image) {
    auto self = weak.lock();
    if (!self) return;
    WizardModel& model = **self;
    model.assign(model.isFetchingIcon_, false, WizardField::isFetchingIcon);
    if (image) {
      model.setIcon(std::move(*image));
      model.assign(model.iconIsValid_, true, WizardField::iconIsValid);
    }
    model.commit();
  });
}

void WizardModel::resetIcon() {
  setIcon(defaultAppIcon([this](const std::string& name) { return services_.imageNamed(name); }));
  assign(iconIsValid_, false, WizardField::iconIsValid);
  commit();
}

void WizardModel::iconNext() {
  if (!nameIsValid_) return;
  assign(selectedView_, int(saveScreen), WizardField::selectedView);
  commit();
}

// Ready-made apps screen.

void WizardModel::selectFavorite(std::size_t index) {
  if (index >= favoriteApps().size()) return;
  const FavoriteApp& app = favoriteApps()[index];
  assign(selectedFavorite_, app, WizardField::selectedFavorite);
  assign(inputName_, app.at("name"), WizardField::inputName);
  assign(inputUrl_, app.at("url"), WizardField::inputUrl);
  commit();
}

void WizardModel::useFavorite(std::size_t index) {
  if (index >= favoriteApps().size()) return;
  const FavoriteApp& app = favoriteApps()[index];
  assign(selectedFavorite_, app, WizardField::selectedFavorite);
  assign(inputName_, app.at("name"), WizardField::inputName);
  assign(inputUrl_, app.at("url"), WizardField::inputUrl);
  // Each step needs the one before; whatever is missing ends the action with
  // the steps done so far kept.
  auto glyph = services_.imageNamed(app.at("icon"));
  auto white = glyph ? tintedImage(*glyph, platform::Color::white()) : std::nullopt;
  auto icon = white ? services_.resized(*white, 650, 650) : std::nullopt;
  if (!icon) return commit();
  setIcon(std::move(*icon));
  auto color = colorFromHex(app.at("color"));
  if (!color) return commit();
  assign(inputColor_, *color, WizardField::inputColor);
  assign(selectedView_, int(saveScreen), WizardField::selectedView);
  assign(preselectedBack_, int(favoritesScreen), WizardField::preselectedBack);
  commit();
}

void WizardModel::clearFavoriteSelection() {
  assign(selectedFavorite_, FavoriteApp(), WizardField::selectedFavorite);
  commit();
}

void WizardModel::configureFavorite() {
  if (!configureVisible()) return;
  assign(selectedView_, int(saveScreen), WizardField::selectedView);
  assign(preselectedBack_, int(favoritesScreen), WizardField::preselectedBack);
  commit();
}

// Navigation.

void WizardModel::previousScreen() {
  // The Back item is hidden, and takes no clicks, on the first screen.
  if (!backVisible()) return;
  if (preselectedBack_ != -1) {
    assign(selectedView_, preselectedBack_, WizardField::selectedView);
    assign(preselectedBack_, -1, WizardField::preselectedBack);
  } else if (selectedView_ == favoritesScreen) {
    assign(selectedView_, int(websiteScreen), WizardField::selectedView);
  } else {
    assign(selectedView_, selectedView_ - 1, WizardField::selectedView);
  }
  commit();
}

void WizardModel::setShowSettings(bool shown) {
  assign(showSettings_, shown, WizardField::showSettings);
  commit();
}

// Save and finished screens.

void WizardModel::startCreate() {
  // The save screen shows only the progress while a build runs.
  if (isGenerating_) return;
  assign(generationError_, std::optional<std::string>(), WizardField::generationError);
  commit();
  // The source is fixed now, before the folder panel.
  builder::SiteSource source = useLocalFolder_ && localFolderURL_ ? builder::SiteSource::localFolder(*localFolderURL_)
                                                                  : builder::SiteSource::url(inputUrl_);
  services_.chooseFolder([weak = weak(), source](std::vector<std::filesystem::path> folders) {
    if (auto self = weak.lock()) (*self)->createApp(folders, source);
  });
}

void WizardModel::createApp(const std::vector<std::filesystem::path>& folders, const builder::SiteSource& source) {
  if (folders.empty()) return;
  const std::filesystem::path& folder = folders.front();
  if (const auto* local = source.asLocalFolder(); local && services_.isInside(folder, local->folder)) {
    services_.showAlert({wizard_text::chooseDifferentLocation,
                         builder::GeneratorError::destinationInsideSource().errorDescription(),
                         {wizard_text::ok}},
                        [](std::size_t) {});
    return;
  }
  if (auto problem = builder::nameProblem(inputName_)) {
    services_.showAlert({wizard_text::chooseDifferentName, *problem, {wizard_text::ok}}, [](std::size_t) {});
    return;
  }
  // The very path the builder will write, so the question is asked about the right app.
  if (services_.fileExists(builder::destinationFor(folder, inputName_))) {
    services_.showAlert(
        {alreadyExistsMessage(inputName_), wizard_text::replaceQuestion, {wizard_text::replace, wizard_text::cancel}},
        [weak = weak(), folder, source](std::size_t button) {
          auto self = weak.lock();
          if (self && button == 0) (*self)->startBuild(folder, source);
        });
    return;
  }
  startBuild(folder, source);
}

void WizardModel::startBuild(const std::filesystem::path& folder, const builder::SiteSource& source) {
  if (isGenerating_) return;
  assign(isGenerating_, true, WizardField::isGenerating);
  assign(generationStatus_, std::string(wizard_text::starting), WizardField::generationStatus);
  commit();
  builder::AppGenerator request;
  request.name = inputName_;
  request.source = source;
  request.fullContent = !services_.showTitleBar();
  request.icon = inputIcon_;
  request.color = inputColor_;
  request.signing = services_.signingMode();
  services_.generate(
      request, folder,
      [weak = weak()](const std::string& text) {
        auto self = weak.lock();
        if (!self) return;
        (*self)->assign((*self)->generationStatus_, text, WizardField::generationStatus);
        (*self)->commit();
      },
      [weak = weak()](const builder::BuildResult& result) {
        if (auto self = weak.lock()) (*self)->finishBuild(result);
      });
}

void WizardModel::finishBuild(const builder::BuildResult& result) {
  assign(isGenerating_, false, WizardField::isGenerating);
  if (result.succeeded()) {
    assign(generatedAppURL_, result.app, WizardField::generatedAppURL);
    assign(selectedView_, int(finishedScreen), WizardField::selectedView);
  } else {
    assign(generationError_, std::optional(result.errorDescription()), WizardField::generationError);
  }
  commit();
}

void WizardModel::openGeneratedApp() {
  if (generatedAppURL_) services_.openApp(*generatedAppURL_);
}

void WizardModel::revealGeneratedApp() {
  if (generatedAppURL_) services_.reveal(*generatedAppURL_);
}

void WizardModel::resetWizard() {
  assign(selectedView_, int(websiteScreen), WizardField::selectedView);
  assign(inputUrl_, std::string(), WizardField::inputUrl);
  assign(inputName_, std::string(), WizardField::inputName);
  setIcon(defaultAppIcon([this](const std::string& name) { return services_.imageNamed(name); }));
  assign(inputColor_, platform::Color::white(), WizardField::inputColor);
  assign(useLocalFolder_, false, WizardField::useLocalFolder);
  assign(localFolderURL_, std::optional<std::filesystem::path>(), WizardField::localFolderURL);
  assign(generatedAppURL_, std::optional<std::filesystem::path>(), WizardField::generatedAppURL);
  assign(generationError_, std::optional<std::string>(), WizardField::generationError);
  assign(urlIsValid_, false, WizardField::urlIsValid);
  assign(nameIsValid_, false, WizardField::nameIsValid);
  assign(iconIsValid_, false, WizardField::iconIsValid);
  commit();
}

std::string appNameForFolder(const std::filesystem::path& folder) {
  std::filesystem::path name = folder.filename();
  if (name.empty()) name = folder.parent_path().filename();  // "…/site.folder/"
  return name.stem().string();
}

}  // namespace frontend
