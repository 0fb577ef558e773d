#pragma once
// Nimbrel's menus, one set of sections shown two ways: as the application's
// menu bar ("Nimbrel" and "Help", for desktops that show one) and as the
// header bar's primary menu. There is no item for a new window anywhere.

#include <gio/gio.h>

#include "platform/gobject_ptr.hpp"

struct AppMenu {
  platform::GRef<GMenuModel> menubar;
  platform::GRef<GMenuModel> primaryMenu;
  platform::GRef<GMenu> helpSection;  // "Contact Support", "Subscribe to Newsletter…"
};

AppMenu nimbrel_app_menu_new(bool offerNewsletter);

// Takes "Subscribe to Newsletter…" out of both menus (it does not come back).
void nimbrel_app_menu_remove_newsletter(const AppMenu& menu);
