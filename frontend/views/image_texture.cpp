#include "frontend/views/image_texture.hpp"

namespace views {

platform::GRef<GdkTexture> textureFromImage(const platform::Image& image) {
  cairo_surface_t* surface = image.surface();
  cairo_surface_flush(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  // Cairo's ARGB32 is premultiplied in native byte order, which GDK names its default format.
  platform::CPtr<GBytes> bytes(g_bytes_new(cairo_image_surface_get_data(surface), gsize(stride) * gsize(height)));
  return platform::adoptGRef(gdk_memory_texture_new(cairo_image_surface_get_width(surface), height,
                                                    GDK_MEMORY_DEFAULT, bytes.get(), gsize(stride)));
}

}  // namespace views
