#include "builder/png_encoder.hpp"

#include <png.h>

namespace builder {
namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

// cairo keeps premultiplied native-endian ARGB; PNG wants straight RGBA bytes.
void unpremultiply(const std::uint32_t* in, int width, png_byte* out) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t p = in[x];
    const std::uint32_t a = p >> 24;
    png_byte* o = out + 4 * x;
    if (a == 0) {
      o[0] = o[1] = o[2] = o[3] = 0;
      continue;
    }
    o[0] = static_cast<png_byte>((((p >> 16) & 0xff) * 255 + a / 2) / a);
    o[1] = static_cast<png_byte>((((p >> 8) & 0xff) * 255 + a / 2) / a);
    o[2] = static_cast<png_byte>(((p & 0xff) * 255 + a / 2) / a);
    o[3] = static_cast<png_byte>(a);
  }
}

}  // namespace

std::vector<std::uint8_t> encodePNG(const platform::Image& image) {
  cairo_surface_t* surface = image.surface();
  if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) return image.pngData();
  cairo_surface_flush(surface);
  const int width = image.width(), height = image.height();
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);

  std::vector<std::uint8_t> out;
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return {};
  }
  // libpng reports errors by longjmp: no C++ object is created between here and the end.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendBytes, noFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    unpremultiply(reinterpret_cast<const std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride), width, row.data());
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace builder
