#pragma once
// Screen: the frame of every wizard screen. Four blue blobs glide behind the
// screen's content (unless the screen has no background), and a hint bar
// with a light bulb runs along the bottom.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_SCREEN (nimbrel_screen_get_type())
G_DECLARE_FINAL_TYPE(NimbrelScreen, nimbrel_screen, NIMBREL, SCREEN, GtkWidget)
G_END_DECLS

// `content` is centred over the blobs.
GtkWidget* nimbrel_screen_new(const char* hint, bool showBackground, GtkWidget* content);

// The hint bar's text, the four blob layers (bottom first; none without background).
GtkLabel* nimbrel_screen_get_hint_label(NimbrelScreen* self);
GtkWidget* nimbrel_screen_get_layer(NimbrelScreen* self, int index);
