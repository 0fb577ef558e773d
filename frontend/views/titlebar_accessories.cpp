#include "frontend/views/titlebar_accessories.hpp"

namespace {
constexpr const char* kAccessoriesKey = "nimbrel-titlebar-accessories";
}

void nimbrel_window_set_titlebar_accessories(GtkWindow* window, GtkWidget* box) {
  // Not owned: the box lives in the window's own widget tree.
  g_object_set_data(G_OBJECT(window), kAccessoriesKey, box);
}

GtkWidget* nimbrel_window_get_titlebar_accessories(GtkWindow* window) {
  if (auto* box = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(window), kAccessoriesKey))) return box;
  GtkWidget* titlebar = gtk_window_get_titlebar(window);
  if (!GTK_IS_HEADER_BAR(titlebar)) return nullptr;
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_header_bar_pack_end(GTK_HEADER_BAR(titlebar), box);
  nimbrel_window_set_titlebar_accessories(window, box);
  return box;
}
