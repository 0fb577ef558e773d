#pragma once
// Presents the settings sheet (SigningSettingsView) over a window: modal,
// attached to `parent`, opened on "General". A window shows at most one: a
// request while one is open only brings it forward. `dismissed` runs once
// when the sheet this call opened goes away.

#include <gtk/gtk.h>

#include <functional>

#include "frontend/signing_settings.hpp"

void nimbrel_present_settings_sheet(GtkWindow* parent, frontend::SigningSettings& settings,
                                    std::function<void()> dismissed);
