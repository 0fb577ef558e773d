#include "frontend/views/view_style.hpp"

#include "platform/gobject_ptr.hpp"

extern "C" GResource* nimbrel_views_get_resource(void);

namespace views {

void ensureStyle(GdkDisplay* display) {
  if (!display || g_object_get_data(G_OBJECT(display), "nimbrel-style")) return;
  // Referencing the resource keeps its registration linked into the program.
  if (!nimbrel_views_get_resource()) return;
  auto provider = platform::adoptGRef(gtk_css_provider_new());
  gtk_css_provider_load_from_resource(provider.get(), "/co/corvan/nimbrel/style.css");
  gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(provider.get()),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gtk_icon_theme_add_resource_path(gtk_icon_theme_get_for_display(display), "/co/corvan/nimbrel/icons");
  g_object_set_data_full(G_OBJECT(display), "nimbrel-style", provider.release(), g_object_unref);
}

}  // namespace views
