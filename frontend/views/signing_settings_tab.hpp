#pragma once
// The "Signing" tab of the settings sheet: Developer ID signing and
// notarization. Every change is written straight into the settings (text on
// every edit); the identity and notarization controls are there only while
// "Sign with my Developer ID" is on, the profile controls only while
// "Notarize with Apple" is on as well. Values of hidden controls stay stored
// and come back with them.

#include <gtk/gtk.h>

#include "frontend/signing_settings.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_SIGNING_SETTINGS_TAB (nimbrel_signing_settings_tab_get_type())
G_DECLARE_FINAL_TYPE(NimbrelSigningSettingsTab, nimbrel_signing_settings_tab, NIMBREL, SIGNING_SETTINGS_TAB, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_signing_settings_tab_new(frontend::SigningSettings& settings);
