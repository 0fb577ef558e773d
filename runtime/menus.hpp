#pragma once
// The menu bar is a GMenu tree loaded from the interface file. Items that
// carry the product name are marked with an "outlet" attribute naming them,
// the way the interface file connects them to the app delegate.

#include <gio/gio.h>

#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kOutletAttribute = "outlet";
inline constexpr std::string_view kNamePlaceholder = "Runlet";

// Every occurrence of `from` replaced by `to`; the inserted text is not searched again.
std::string replacingAll(std::string_view text, std::string_view from, std::string_view to);

// The items marked mainMenuAbout, mainMenuHide, mainMenuQuit and
// windowMenuRestoreWindow get "Runlet" in their labels replaced by `name`;
// items that are absent are skipped and no other item is touched.
void retitleMenus(GMenuModel* mainMenu, std::string_view name);

// The application menu (the first top-level item) titled with the app's
// bundle name, as desktops that show an application menu title it; its
// items and submenu stay as they are.
void titleApplicationMenu(GMenu* mainMenu, std::string_view bundleName);

// Reload, Back, Forward, a separator and Copy Current URL at the end of the
// View menu, which is created before "Window" (or at the end) when missing.
// A separator is a new section, as menus built from GMenu draw one there.
void installWebMenu(GMenu* mainMenu);

// Index of the top-level item with this label, or -1.
int indexOfItemWithTitle(GMenuModel* menu, std::string_view title);
std::string itemLabel(GMenuModel* menu, int index);
std::string itemStringAttribute(GMenuModel* menu, int index, const char* attribute);

}  // namespace runlet
