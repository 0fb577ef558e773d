#pragma once
// A picture stretched to a fixed square, whatever its own size: the icon well
// and the finished screen show the app's icon this way.

#include <gtk/gtk.h>

#include "platform/image.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_ICON_VIEW (nimbrel_icon_view_get_type())
G_DECLARE_FINAL_TYPE(NimbrelIconView, nimbrel_icon_view, NIMBREL, ICON_VIEW, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_icon_view_new(int size, const char* accessibleLabel);
void nimbrel_icon_view_set_image(NimbrelIconView* self, const platform::Image& image);
