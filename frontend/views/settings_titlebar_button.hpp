#pragma once
// A view that shows nothing and puts the settings gear into the title bar of
// the window it is placed in, once it is there (one main-loop turn later).
// However many of them a window holds, or however often one is created, the
// window gets one gear.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_SETTINGS_TITLEBAR_BUTTON (nimbrel_settings_titlebar_button_get_type())
G_DECLARE_FINAL_TYPE(NimbrelSettingsTitlebarButton, nimbrel_settings_titlebar_button, NIMBREL,
                     SETTINGS_TITLEBAR_BUTTON, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_settings_titlebar_button_new();
