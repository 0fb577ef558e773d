#include "frontend/wizard_screens.hpp"

#include "frontend/favorite_apps.hpp"

namespace frontend {

std::optional<ScreenInfo> screenInfo(int selectedView) {
  switch (selectedView) {
    case websiteScreen:
      return ScreenInfo{"Enter or drag'n'drop the URL of the website you want to create an app for", true};
    case nameScreen:
      return ScreenInfo{"Select a name for your application", true};
    case iconScreen:
      return ScreenInfo{"Drag'and'drop a new icon for your application", true};
    case saveScreen:
      return ScreenInfo{"Choose where to save your app and we'll build it", true};
    case favoritesScreen:
      return ScreenInfo{"Pick one of the " + std::to_string(favoriteApps().size()) + " ready-made apps", false};
    case finishedScreen:
      return ScreenInfo{"Your app is ready. Find it in your app launcher.", true};
    default:
      return std::nullopt;
  }
}

std::string alreadyExistsMessage(const std::string& name) { return "\u201C" + name + ".app\u201D already exists"; }

}  // namespace frontend
