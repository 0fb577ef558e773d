#include "frontend/views/views_init.hpp"

#include <adwaita.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gobject_ptr.hpp"

extern "C" GResource* nimbrel_get_resource(void);

void nimbrel_views_init() {
  static bool done = false;
  if (done) return;
  done = true;
  // Referencing the bundle keeps the linker from dropping it (and with it the
  // constructor that registers it) out of the static library.
  (void)nimbrel_get_resource();
  adw_init();
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return;
  auto css = platform::adoptGRef(gtk_css_provider_new());
  gtk_css_provider_load_from_resource(css.get(), "/co/corvan/nimbrel/style.css");
  gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(css.get()),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gtk_icon_theme_add_resource_path(gtk_icon_theme_get_for_display(display), "/co/corvan/nimbrel/icons");
}

void nimbrel_views_prefer_cairo_without_gpu() {
  if (std::getenv("GSK_RENDERER")) return;
  std::error_code ec;
  for (const auto& node : std::filesystem::directory_iterator("/dev/dri", ec)) {
    if (node.path().filename().string().rfind("renderD", 0) == 0) return;
  }
  setenv("GSK_RENDERER", "cairo", 1);
  // GDK would still load the GL driver (and with it LLVM) to probe it.
  std::string debug = std::getenv("GDK_DEBUG") ? std::getenv("GDK_DEBUG") : "";
  setenv("GDK_DEBUG", (debug.empty() ? "gl-disable" : debug + ",gl-disable").c_str(), 1);
}
