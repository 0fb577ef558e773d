#include "window_capture.hpp"

#include "wizard_window.hpp"

namespace views_testing {

platform::GRef<GdkTexture> captureWidget(GtkWidget* widget) {
  const int width = gtk_widget_get_width(widget), height = gtk_widget_get_height(widget);
  GtkNative* native = gtk_widget_get_native(widget);
  if (!native || width <= 0 || height <= 0) return {};
  auto paintable = platform::adoptGRef(gtk_widget_paintable_new(widget));
  GtkSnapshot* snapshot = gtk_snapshot_new();
  gdk_paintable_snapshot(GDK_PAINTABLE(paintable.get()), snapshot, width, height);
  GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
  if (!node) return {};
  graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, float(width), float(height));
  GdkTexture* texture = gsk_renderer_render_texture(gtk_native_get_renderer(native), node, &viewport);
  gsk_render_node_unref(node);
  return platform::adoptGRef(texture);
}

bool saveWindowPNG(GtkWindow* window, const std::filesystem::path& file) {
  // A window whose drawing is queued (the blobs queue theirs all the time)
  // has nothing to show until its next frame: try again after it.
  auto texture = captureWidget(GTK_WIDGET(window));
  for (int attempt = 0; !texture && attempt < 20; ++attempt) {
    settle(1);
    texture = captureWidget(GTK_WIDGET(window));
  }
  return texture && gdk_texture_save_to_png(texture.get(), file.c_str());
}

}  // namespace views_testing
