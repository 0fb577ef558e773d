#pragma once
// Wizard pictures (cairo image surfaces) as GDK textures for GtkPicture and snapshots.

#include <gtk/gtk.h>

#include "platform/gobject_ptr.hpp"
#include "platform/image.hpp"

namespace views {

platform::GRef<GdkTexture> textureFromImage(const platform::Image& image);

}  // namespace views
