#pragma once
// Renders a shown window (its decorations included) the way it is on screen.

#include <gtk/gtk.h>

#include <filesystem>

#include "platform/gobject_ptr.hpp"

namespace views_testing {

platform::GRef<GdkTexture> captureWidget(GtkWidget* widget);
bool saveWindowPNG(GtkWindow* window, const std::filesystem::path& file);

}  // namespace views_testing
