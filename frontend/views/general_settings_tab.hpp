#pragma once
// The "General" tab of the settings sheet: whether generated apps show a
// title bar, written straight into the settings as the switch moves.

#include <gtk/gtk.h>

#include "frontend/signing_settings.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_GENERAL_SETTINGS_TAB (nimbrel_general_settings_tab_get_type())
G_DECLARE_FINAL_TYPE(NimbrelGeneralSettingsTab, nimbrel_general_settings_tab, NIMBREL, GENERAL_SETTINGS_TAB, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_general_settings_tab_new(frontend::SigningSettings& settings);
