#pragma once
// The settings sheet: a tab bar ("General", "Signing"), the selected tab in a
// scrolling area, and "Done". A modal, undecorated 540×460 window attached to
// its parent; it always opens on "General". Nothing is saved on "Done": every
// control has written its value already.

#include <gtk/gtk.h>

#include <functional>

#include "frontend/signing_settings.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_SIGNING_SETTINGS_VIEW (nimbrel_signing_settings_view_get_type())
G_DECLARE_FINAL_TYPE(NimbrelSigningSettingsView, nimbrel_signing_settings_view, NIMBREL, SIGNING_SETTINGS_VIEW,
                     GtkWindow)
G_END_DECLS

// `dismissed` runs once, when the sheet goes away by any means.
GtkWidget* nimbrel_signing_settings_view_new(GtkWindow* parent, frontend::SigningSettings& settings,
                                             std::function<void()> dismissed);
