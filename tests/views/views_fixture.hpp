#pragma once
// Real GTK windows on the test display, for the wizard's and the shell's view
// tests: pointer and keyboard go through the X server with xdotool, so events
// arrive as a user's would.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "frontend/views/view_style.hpp"
#include "window_capture.hpp"
#include "wizard_window.hpp"

namespace views_testing {

// True when GTK runs on an X11 display and xdotool is there to drive it.
bool hasX11Display();
using testing_support::xdotool;
// Moves the pointer to (x, y) of `widget` (its centre by default).
void pointerTo(GtkWidget* widget, double x = -1, double y = -1);
void pointerAway();
// Comes in from away from the widget, then clicks `count` times.
void clickAt(GtkWidget* widget, int count = 1, double x = -1, double y = -1);
void destroyToplevels();

// Widgets below `root` (itself included) that `match` accepts.
inline std::vector<GtkWidget*> find(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  auto all = testing_support::descendants(root);
  std::erase_if(all, [&](GtkWidget* w) { return !match(w); });
  return all;
}
inline GtkWidget* findOne(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  auto found = find(root, match);
  return found.size() == 1 ? found.front() : nullptr;
}
inline GtkWidget* findNamed(GtkWidget* root, const char* name) {
  return findOne(root, [name](GtkWidget* w) { return g_strcmp0(gtk_widget_get_name(w), name) == 0; });
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
std::array<int, 4> pixel(GdkTexture* texture, int x, int y);

class ViewsTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!hasX11Display()) GTEST_SKIP() << "needs an X11 display and xdotool";
    views::ensureStyle(gdk_display_get_default());
    [[maybe_unused]] static bool backdrop = [] {
      auto css = platform::adoptGRef(gtk_css_provider_new());
      gtk_css_provider_load_from_data(css.get(), ".dark-test-backdrop { background: black; padding: 20px; }", -1);
      gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css.get()),
                                                 GTK_STYLE_PROVIDER_PRIORITY_USER);
      return true;
    }();
    pointerAway();
  }
  void TearDown() override { destroyToplevels(); }
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
