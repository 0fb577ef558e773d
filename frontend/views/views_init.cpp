#include "frontend/views/views_init.hpp"

#include <adwaita.h>
#include <gtk/gtk.h>

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
