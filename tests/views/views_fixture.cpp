#include "views_fixture.hpp"

#include <gdk/x11/gdkx.h>

namespace views_testing {

bool hasX11Display() {
  static bool ok = gtk_init_check() && GDK_IS_X11_DISPLAY(gdk_display_get_default()) &&
                   platform::GCharPtr(g_find_program_in_path("xdotool")) != nullptr;
  return ok;
}

void pointerTo(GtkWidget* widget, double x, double y) {
  if (!gtk_widget_get_native(widget)) return;
  auto point = testing_support::windowPoint(widget, x < 0 ? gtk_widget_get_width(widget) / 2.0 : x,
                                            y < 0 ? gtk_widget_get_height(widget) / 2.0 : y);
  auto xid = gdk_x11_surface_get_xid(gtk_native_get_surface(gtk_widget_get_native(widget)));
  // No --sync: it waits for motion, and a pointer already in place never moves.
  xdotool({"mousemove", "--window", std::to_string(xid), point[0], point[1]});
}

void pointerAway() { xdotool({"mousemove", "1590", "1190"}); }

void clickAt(GtkWidget* widget, int count, double x, double y) {
  pointerAway();  // from elsewhere, so clicks on one place never join into a double-click
  pointerTo(widget, x, y);
  settle(2);
  xdotool({"click", "--repeat", std::to_string(count), "--delay", "60", "1"});
}

void destroyToplevels() {
  GListModel* list = gtk_window_get_toplevels();
  std::vector<platform::GRef<GtkWindow>> windows;
  for (guint i = 0; i < g_list_model_get_n_items(list); ++i) {
    windows.push_back(platform::adoptGRef(GTK_WINDOW(g_list_model_get_item(list, i))));
  }
  for (auto& window : windows) gtk_window_destroy(window.get());
  settle(1);
}

std::array<int, 4> pixel(GdkTexture* texture, int x, int y) {
  const int width = gdk_texture_get_width(texture), height = gdk_texture_get_height(texture);
  std::vector<guchar> data(std::size_t(width) * std::size_t(height) * 4);
  gdk_texture_download(texture, data.data(), std::size_t(width) * 4);
  const guchar* p = &data[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
  // Downloads are premultiplied B, G, R, A on little-endian machines.
  return {p[2], p[1], p[0], p[3]};
}

}  // namespace views_testing
