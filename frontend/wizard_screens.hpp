#pragma once
// The wizard's screens and every text its views show, in one place.

#include <optional>
#include <string>

namespace frontend {

// Values of `selectedView`.
enum WizardScreen : int {
  websiteScreen = 0,
  nameScreen = 1,
  iconScreen = 2,
  saveScreen = 3,
  favoritesScreen = 4,
  finishedScreen = 5,
};

struct ScreenInfo {
  std::string hint;     // shown in the hint bar
  bool showBackground;  // the animated blobs
};

// Nothing for a number that names no screen.
std::optional<ScreenInfo> screenInfo(int selectedView);

// A button's or a line's text together with its symbol.
struct LabelledSymbol {
  const char* label;
  const char* symbol;
};

namespace wizard_text {

inline constexpr LabelledSymbol back{"Back", "arrow.left"};
inline constexpr LabelledSymbol configure{"Configure", "checklist"};

inline constexpr const char* websiteField = "Website";
inline constexpr LabelledSymbol continueButton{"Continue", "arrow.right"};
inline constexpr const char* startFromCaption = "or start from";
inline constexpr LabelledSymbol favorites{"Favorites", "star.fill"};
inline constexpr LabelledSymbol localFolder{"Local folder", "folder.fill"};

inline constexpr const char* nameField = "App name";
inline constexpr LabelledSymbol next{"Next", "arrow.right"};

inline constexpr const char* iconCaption = "App icon";
inline constexpr const char* fetchingIcon = "Fetching icon\u2026";
inline constexpr LabelledSymbol fetchFromWebsite{"Fetch from website", "globe"};
inline constexpr LabelledSymbol resetIcon{"Reset", "arrow.uturn.backward"};

inline constexpr LabelledSymbol createApplication{"Create application", "wand.and.rays"};
inline constexpr const char* errorSymbol = "exclamationmark.triangle";
inline constexpr const char* chooseWhereToSave = "Select where you want to save your application";
// The three texts below name places a Linux desktop has in its own way (docs/wizard.md).
inline constexpr LabelledSymbol adhocSigning{"Preferably, the ~/Applications folder", "lightbulb"};
inline constexpr LabelledSymbol developerIDSigning{"Signing with Developer ID", "checkmark.seal"};
inline constexpr LabelledSymbol notarizedSigning{"Signing with Developer ID + notarization (shareable)",
                                                 "checkmark.seal"};
inline constexpr const char* starting = "Starting\u2026";

inline constexpr const char* readySuffix = " is ready!";
inline constexpr const char* nativeAppFor = "A native app for ";
inline constexpr const char* yourLocalSite = "your local site";
inline constexpr LabelledSymbol open{"Open", "play.fill"};
inline constexpr LabelledSymbol showInFinder{"Show in Files", "folder.fill"};
inline constexpr LabelledSymbol createAnother{"Create another app", "plus"};

inline constexpr const char* chooseDifferentLocation = "Choose a different location";
inline constexpr const char* chooseDifferentName = "Choose a different name";
inline constexpr const char* ok = "OK";
inline constexpr const char* replaceQuestion = "An app with that name is already in this folder. Replace it?";
inline constexpr const char* replace = "Replace";
inline constexpr const char* cancel = "Cancel";

}  // namespace wizard_text

// "“Name.app” already exists"
std::string alreadyExistsMessage(const std::string& name);

}  // namespace frontend
