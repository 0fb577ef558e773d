#pragma once
// Widget tests in a real window on the test display: the pointer and the
// keyboard are moved with xdotool, so events arrive as a user's would.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "frontend/views/view_style.hpp"
#include "window_capture.hpp"
#include "wizard_window.hpp"

namespace views_testing {

// True when the display is X11 and xdotool is there to drive it.
bool hasX11Display();
void xdotool(std::vector<std::string> arguments);
// Moves the pointer to (x, y) of `widget` (its centre by default).
void pointerTo(GtkWidget* widget, double x = -1, double y = -1);
void pointerAway();
void clickAt(GtkWidget* widget, int count = 1, double x = -1, double y = -1);

inline GtkWidget* findNamed(GtkWidget* root, const char* name) {
  if (g_strcmp0(gtk_widget_get_name(root), name) == 0) return root;
  for (GtkWidget* child = gtk_widget_get_first_child(root); child; child = gtk_widget_get_next_sibling(child)) {
    if (GtkWidget* found = findNamed(child, name)) return found;
  }
  return nullptr;
}

template <typename Controller>
Controller* findController(GtkWidget* widget, GType type) {
  auto controllers = platform::adoptGRef(gtk_widget_observe_controllers(widget));
  for (guint i = 0; i < g_list_model_get_n_items(controllers.get()); ++i) {
    auto item = platform::adoptGRef(G_OBJECT(g_list_model_get_item(controllers.get(), i)));
    if (G_TYPE_CHECK_INSTANCE_TYPE(item.get(), type)) return reinterpret_cast<Controller*>(item.get());
  }
  return nullptr;
}

// RGBA, 0…255 each, of one pixel of a rendered texture.
inline std::array<int, 4> pixel(GdkTexture* texture, int x, int y) {
  const int width = gdk_texture_get_width(texture), height = gdk_texture_get_height(texture);
  std::vector<guchar> data(std::size_t(width) * std::size_t(height) * 4);
  gdk_texture_download(texture, data.data(), std::size_t(width) * 4);
  const guchar* p = &data[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
  // Downloads are premultiplied B, G, R, A on little-endian machines.
  return {p[2], p[1], p[0], p[3]};
}

class ViewsTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!hasX11Display()) GTEST_SKIP() << "needs an X11 display and xdotool";
    views::ensureStyle(gdk_display_get_default());
    static bool backdrop = [] {
      auto css = platform::adoptGRef(gtk_css_provider_new());
      gtk_css_provider_load_from_data(css.get(), ".dark-test-backdrop { background: black; padding: 20px; }", -1);
      gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css.get()),
                                                 GTK_STYLE_PROVIDER_PRIORITY_USER);
      return true;
    }();
    (void)backdrop;
    pointerAway();
  }
  void TearDown() override {
    if (window) gtk_window_destroy(window);
    settle(1);
  }
  // A plain window holding `child`, shown.
  GtkWindow* show(GtkWidget* child) {
    window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_default_size(window, 500, 300);
    gtk_window_set_child(window, child);
    gtk_window_present(window);
    runUntil([&] { return gtk_widget_get_mapped(child) && gtk_widget_get_width(child) > 0; });
    settle(3);
    return window;
  }

  GtkWindow* window = nullptr;
};

}  // namespace views_testing
