#pragma once
// A window that hosts the wizard the way Nimbrel's main window does: 700 × 500,
// a header bar with no title and the wizard's navigation items at its start.

#include <gtk/gtk.h>

#include "frontend/views/content_view_private.hpp"
#include "tests/support/gtk_driving.hpp"

namespace views_testing {

struct WizardWindow {
  GtkWindow* window = nullptr;
  NimbrelContentView* view = nullptr;
};

// Services default to the real ones over the shared settings.
WizardWindow makeWizardWindow(NimbrelServicesFactory makeServices = {});

using testing_support::runUntil;
// Lets the window lay out and draw a few frames.
void settle(int frames = 3);

}  // namespace views_testing
