#pragma once
// The icon screen's part of the wizard: the picture in the middle of the
// app's icon and its background colour, whether the user chose the picture,
// the drop target's hover and the website icon search.

#include <memory>

#include "frontend/favorite_apps.hpp"
#include "frontend/wizard_changes.hpp"
#include "frontend/wizard_services.hpp"
#include "platform/image.hpp"

namespace frontend {

class IconStep {
 public:
  // Both must outlive the step. Loads the default icon at once.
  IconStep(WizardServices& services, WizardChangeLog& log);

  const platform::Image& inputIcon() const { return inputIcon_; }
  const platform::Color& inputColor() const { return inputColor_; }
  bool iconIsValid() const { return iconIsValid_; }
  bool isTargeted() const { return isTargeted_; }
  bool isFetchingIcon() const { return isFetchingIcon_; }

  // Always taken; a usable picture file arrives later, decoded off the main thread.
  bool acceptIconDrop(const std::vector<DropItem>& items);
  void setIsTargeted(bool targeted);
  // The icon of the website `inputUrl` names, as typed.
  void fetchIcon(const std::string& inputUrl);
  void resetIcon();

  // A ready-made app's glyph, white at 650 × 650, and then its colour. False
  // as soon as one is missing; what was set before stays.
  bool useGlyph(const FavoriteApp& app);
  // "Create another app": the default icon on white.
  void reset();

  // Answers nothing once the step is gone: for views whose answers come later.
  std::weak_ptr<IconStep*> weak() const { return self_; }

 private:
  void setIcon(platform::Image icon);

  WizardServices& services_;
  WizardChangeLog& log_;
  std::shared_ptr<IconStep*> self_;
  platform::Image inputIcon_;
  platform::Color inputColor_ = platform::Color::white();
  bool iconIsValid_ = false;
  bool isTargeted_ = true;
  bool isFetchingIcon_ = false;
};

}  // namespace frontend
