#include "platform/image.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>


#include "platform/bounded_file.hpp"
#include "platform/gobject_ptr.hpp"
#include "platform/image_pixbuf.hpp"

namespace platform {
namespace {

std::shared_ptr<cairo_surface_t> adoptSurface(cairo_surface_t* surface) {
  return std::shared_ptr<cairo_surface_t>(surface, cairo_surface_destroy);
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

// gdk-pixbuf holds straight RGB(A); cairo wants premultiplied native-endian ARGB.
std::optional<Image> imageFromPixbuf(GdkPixbuf* pixbuf) {
  int width = gdk_pixbuf_get_width(pixbuf);
  int height = gdk_pixbuf_get_height(pixbuf);
  auto image = Image::create(width, height);
  if (!image) return std::nullopt;
  cairo_surface_t* surface = image->surface();
  cairo_surface_flush(surface);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int srcStride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
  unsigned char* dst = cairo_image_surface_get_data(surface);
  const int dstStride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const guchar* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    auto* d = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * dstStride);
    for (int x = 0; x < width; ++x, s += channels) {
      std::uint32_t a = hasAlpha ? s[3] : 255;
      std::uint32_t r = (s[0] * a + 127) / 255, g = (s[1] * a + 127) / 255, b = (s[2] * a + 127) / 255;
      d[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  return image;
}

std::optional<Image> Image::create(int width, int height) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return std::nullopt;
  auto surface = adoptSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return Image(std::move(surface));
}

std::optional<Image> Image::fromSurface(cairo_surface_t* surface) {
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
    return std::nullopt;
  }
  return Image(adoptSurface(cairo_surface_reference(surface)));
}

std::optional<Image> Image::decode(std::span<const std::uint8_t> bytes) {
  auto picture = decodePicture(bytes);
  if (!picture) return std::nullopt;
  return std::move(picture->image);
}

std::optional<Image> Image::load(const std::filesystem::path& path) {
  auto bytes = readBoundedFile(path, maxPictureBytes);
  if (!bytes) return std::nullopt;
  return decode(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
}

int Image::width() const { return cairo_image_surface_get_width(surface_.get()); }
int Image::height() const { return cairo_image_surface_get_height(surface_.get()); }

std::vector<std::uint8_t> Image::pngData() const {
  std::vector<std::uint8_t> out;
  if (cairo_surface_write_to_png_stream(surface_.get(), appendBytes, &out) != CAIRO_STATUS_SUCCESS) out.clear();
  return out;
}

void paintStretched(cairo_t* cr, const Image& source, double x, double y, double width, double height) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, width, height);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, width / source.width(), height / source.height());
  cairo_set_source_surface(cr, source.surface(), 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
}

std::optional<Image> stretched(const Image& image, int width, int height) {
  auto target = Image::create(width, height);
  if (!target || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  cairo_t* cr = cairo_create(target->surface());
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  paintStretched(cr, image, 0, 0, width, height);
  cairo_destroy(cr);
  cairo_surface_flush(target->surface());
  if (cairo_surface_status(target->surface()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return target;
}

std::optional<Image> tinted(const Image& image, const Color& color) {
  auto target = Image::create(image.width(), image.height());
  if (!target) return std::nullopt;
  cairo_t* cr = cairo_create(target->surface());
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
  cairo_set_source_surface(cr, image.surface(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target->surface());
  return target;
}

}  // namespace platform
