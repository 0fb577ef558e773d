#pragma once
// The settings sheet (SigningSettingsView) over a window: modal, attached to
// `parent`, opened on "General". `dismissed` runs once when it goes away.

#include <gtk/gtk.h>

#include <functional>

#include "frontend/signing_settings.hpp"

void nimbrel_present_settings_sheet(GtkWindow* parent, frontend::SigningSettings& settings,
                                    std::function<void()> dismissed);
