#pragma once
// One tab of the settings sheet's tab bar: a symbol over a short title in a
// 74×52 button, in the accent colour on a tinted plate while selected.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_SETTINGS_TAB_BUTTON (nimbrel_settings_tab_button_get_type())
G_DECLARE_FINAL_TYPE(NimbrelSettingsTabButton, nimbrel_settings_tab_button, NIMBREL, SETTINGS_TAB_BUTTON, GtkButton)
G_END_DECLS

GtkWidget* nimbrel_settings_tab_button_new(const char* title, const char* iconName);
void nimbrel_settings_tab_button_set_selected(NimbrelSettingsTabButton* self, bool selected);
