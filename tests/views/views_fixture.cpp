#include "views_fixture.hpp"

#include <gdk/x11/gdkx.h>

namespace views_testing {

bool hasX11Display() {
  static bool ok = gtk_init_check() && GDK_IS_X11_DISPLAY(gdk_display_get_default()) &&
                   platform::GCharPtr(g_find_program_in_path("xdotool")) != nullptr;
  return ok;
}

bool xdotool(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "xdotool");
  std::vector<char*> argv;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  int status = -1;
  return g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
                      &status, nullptr) &&
         g_spawn_check_wait_status(status, nullptr);
}

void pointerTo(GtkWidget* widget, double x, double y) {
  GtkNative* native = gtk_widget_get_native(widget);
  graphene_point_t inside = GRAPHENE_POINT_INIT(float(x < 0 ? gtk_widget_get_width(widget) / 2.0 : x),
                                                float(y < 0 ? gtk_widget_get_height(widget) / 2.0 : y));
  graphene_point_t point;
  if (!native || !gtk_widget_compute_point(widget, GTK_WIDGET(native), &inside, &point)) return;
  double dx = 0, dy = 0;
  gtk_native_get_surface_transform(native, &dx, &dy);
  auto xid = gdk_x11_surface_get_xid(gtk_native_get_surface(native));
  // No --sync: it waits for motion, and a pointer already in place never moves.
  xdotool({"mousemove", "--window", std::to_string(xid), std::to_string(int(point.x + dx)),
           std::to_string(int(point.y + dy))});
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

std::vector<GtkWidget*> find(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  std::vector<GtkWidget*> out;
  if (match(root)) out.push_back(root);
  for (GtkWidget* child = gtk_widget_get_first_child(root); child; child = gtk_widget_get_next_sibling(child)) {
    auto below = find(child, match);
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
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
