#include "views_fixture.hpp"

#include <gdk/x11/gdkx.h>

namespace views_testing {

bool hasX11Display() {
  static bool ok = gtk_init_check() && GDK_IS_X11_DISPLAY(gdk_display_get_default()) &&
                   platform::GCharPtr(g_find_program_in_path("xdotool")) != nullptr;
  return ok;
}

void xdotool(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "xdotool");
  std::vector<char*> argv;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr);
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
  pointerTo(widget, x, y);
  settle(2);
  xdotool({"click", "--repeat", std::to_string(count), "--delay", "60", "1"});
}

}  // namespace views_testing
