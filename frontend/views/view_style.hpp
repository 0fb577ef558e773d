#pragma once
// Nimbrel's style sheet and its own symbolic icons, installed once per display
// by the first view that is shown there.

#include <gtk/gtk.h>

namespace views {

void ensureStyle(GdkDisplay* display);

}  // namespace views
