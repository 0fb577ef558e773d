#pragma once
// The settings gear of a window's title bar: a borderless button in a 40×28
// holder, "Settings" as tool tip and accessible name. Clicking it only posts
// the "show settings" notification; the wizard opens the sheet.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_GEAR_ACCESSORY_CONTROLLER (nimbrel_gear_accessory_controller_get_type())
G_DECLARE_FINAL_TYPE(NimbrelGearAccessoryController, nimbrel_gear_accessory_controller, NIMBREL,
                     GEAR_ACCESSORY_CONTROLLER, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_gear_accessory_controller_new();

// Adds a gear to the window's title-bar accessories unless one is there, the
// window has no title bar for it, or the theme lacks the gear symbol.
// True when it added one.
bool nimbrel_gear_accessory_install(GtkWindow* window);
