#pragma once
// The menu bar is a GMenu tree loaded from the interface file. Items that
// carry the product name are marked with an "outlet" attribute naming them,
// the way the interface file connects them to the app delegate.

#include <gio/gio.h>

#include <array>
#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kOutletAttribute = "outlet";
inline constexpr std::string_view kNamePlaceholder = "Runlet";

// The keys the app takes for itself, following GNOME's conventions for a
// browser-like app. Nothing a page uses for itself: Hide and Minimize have
// none (the window manager has its own), and the edit keys stay with the
// page, where the web view cuts, copies, pastes and selects by itself after
// the page's own handlers. The menus show these keys next to their items.
struct Shortcut {
  std::string_view action;
  std::array<std::string_view, 2> keys;  // unused places empty
};
inline constexpr std::array<Shortcut, 7> kApplicationShortcuts = {{
    {"app.quit", {"<Control>q"}},
    {"app.closeWindow", {"<Control>w"}},
    {"app.reloadPage", {"<Control>r", "F5"}},
    {"app.goBack", {"<Alt>Left"}},
    {"app.goForward", {"<Alt>Right"}},
    {"app.copyCurrentURL", {"<Control><Shift>c"}},
    {"app.toggleFullScreen", {"F11"}},
}};

// A name shown in a menu exactly as typed: menus read "_" as the mark of a
// keyboard mnemonic, and "__" as one underscore.
std::string menuLabelText(std::string_view text);

// Every occurrence of `from` replaced by `to`; the inserted text is not searched again.
std::string replacingAll(std::string_view text, std::string_view from, std::string_view to);

// The items marked mainMenuAbout, mainMenuHide, mainMenuQuit and
// windowMenuRestoreWindow get "Runlet" in their labels replaced by `name`
// (shown as typed); items that are absent are skipped and no other item is
// touched.
void retitleMenus(GMenuModel* mainMenu, std::string_view name);

// The application menu (the first top-level item) titled with the app's
// bundle name (shown as typed), as desktops that show an application menu
// title it; its items and submenu stay as they are.
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
