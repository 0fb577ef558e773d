#pragma once
// Solid-colour images and raw pixel reads, for checking what drawing code produced.

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/image.hpp"

namespace testing_support {

inline platform::Image filledImage(int width, int height, double r, double g, double b, double a = 1) {
  auto image = platform::Image::create(width, height);
  cairo_t* cr = cairo_create(image->surface());
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_paint(cr);
  cairo_destroy(cr);
  return *image;
}

// The stored pixel: 0xAARRGGBB, premultiplied.
inline std::uint32_t pixelAt(const platform::Image& image, int x, int y) {
  cairo_surface_flush(image.surface());
  auto* row = cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
  return reinterpret_cast<const std::uint32_t*>(row)[x];
}

// "WxH", or "no image": one comparison states both sides of the expected size.
inline std::string sizeOf(const std::optional<platform::Image>& image) {
  return image ? std::to_string(image->width()) + "x" + std::to_string(image->height()) : "no image";
}

}  // namespace testing_support
