#include "frontend/wizard_icon_step.hpp"

#include "frontend/wizard_images.hpp"
#include "platform/dispatch.hpp"
#include "platform/url.hpp"

namespace frontend {
namespace {

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

IconStep::IconStep(WizardServices& services, WizardChangeLog& log)
    : services_(services),
      log_(log),
      self_(std::make_shared<IconStep*>(this)),
      inputIcon_(defaultAppIcon([&](const std::string& name) { return services.imageNamed(name); })) {}

void IconStep::setIcon(platform::Image icon) {
  inputIcon_ = std::move(icon);
  log_.touch(WizardField::inputIcon);
}

bool IconStep::acceptIconDrop(const std::vector<DropItem>& items) {
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
      IconStep& step = **self;
      WizardChangeLog::Batch batch(step.log_);
      step.setIcon(std::move(image));
      step.log_.assign(step.iconIsValid_, true, WizardField::iconIsValid);
    });
  });
  return true;
}

void IconStep::setIsTargeted(bool targeted) {
  WizardChangeLog::Batch batch(log_);
  log_.assign(isTargeted_, targeted, WizardField::isTargeted);
}

void IconStep::fetchIcon(const std::string& inputUrl) {
  if (inputUrl.empty()) return;
  {
    WizardChangeLog::Batch batch(log_);
    log_.assign(isFetchingIcon_, true, WizardField::isFetchingIcon);
  }
  services_.fetchWebsiteIcon(inputUrl, [weak = weak()](std::optional<platform::Image> image) {
    auto self = weak.lock();
    if (!self) return;
    IconStep& step = **self;
    WizardChangeLog::Batch batch(step.log_);
    step.log_.assign(step.isFetchingIcon_, false, WizardField::isFetchingIcon);
    if (image) {
      step.setIcon(std::move(*image));
      step.log_.assign(step.iconIsValid_, true, WizardField::iconIsValid);
    }
  });
}

void IconStep::resetIcon() {
  WizardChangeLog::Batch batch(log_);
  setIcon(defaultAppIcon([this](const std::string& name) { return services_.imageNamed(name); }));
  log_.assign(iconIsValid_, false, WizardField::iconIsValid);
}

bool IconStep::useGlyph(const FavoriteApp& app) {
  WizardChangeLog::Batch batch(log_);
  auto glyph = services_.imageNamed(app.at("icon"));
  auto white = glyph ? tintedImage(*glyph, platform::Color::white()) : std::nullopt;
  auto icon = white ? services_.resized(*white, 650, 650) : std::nullopt;
  if (!icon) return false;
  setIcon(std::move(*icon));
  auto color = colorFromHex(app.at("color"));
  if (!color) return false;
  log_.assign(inputColor_, *color, WizardField::inputColor);
  return true;
}

void IconStep::reset() {
  WizardChangeLog::Batch batch(log_);
  setIcon(defaultAppIcon([this](const std::string& name) { return services_.imageNamed(name); }));
  log_.assign(inputColor_, platform::Color::white(), WizardField::inputColor);
  log_.assign(iconIsValid_, false, WizardField::iconIsValid);
}

}  // namespace frontend
