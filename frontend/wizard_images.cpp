#include "frontend/wizard_images.hpp"

#include <cairo.h>

#include <memory>

#include "platform/bundle.hpp"

namespace frontend {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

Context contextFor(const platform::Image& image) { return Context(cairo_create(image.surface()), cairo_destroy); }

}  // namespace

std::optional<platform::Color> colorFromHex(std::string_view text) {
  if (text.empty() || text.front() != '#') return std::nullopt;
  std::string_view digits = text.substr(1);
  if (digits.size() != 6) return std::nullopt;
  std::size_t i = 0;
  while (i < digits.size() && (digits[i] == ' ' || digits[i] == '\t' || digits[i] == '\n' || digits[i] == '\r')) ++i;
  if (i + 2 < digits.size() && digits[i] == '0' && (digits[i + 1] == 'x' || digits[i + 1] == 'X') &&
      hexDigit(digits[i + 2]) >= 0) {
    i += 2;
  }
  if (i >= digits.size() || hexDigit(digits[i]) < 0) return std::nullopt;
  unsigned value = 0;
  for (; i < digits.size() && hexDigit(digits[i]) >= 0; ++i) value = value * 16 + unsigned(hexDigit(digits[i]));
  return platform::Color{((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0, 1};
}

std::optional<platform::Image> tintedImage(const platform::Image& image, const platform::Color& color) {
  auto result = platform::Image::create(image.width(), image.height());
  if (!result) return std::nullopt;
  Context cr = contextFor(*result);
  cairo_set_source_rgba(cr.get(), color.red, color.green, color.blue, color.alpha);
  cairo_paint(cr.get());
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_DEST_IN);
  cairo_set_source_surface(cr.get(), image.surface(), 0, 0);
  cairo_paint(cr.get());
  cairo_surface_flush(result->surface());
  return result;
}

std::optional<platform::Image> scaledImage(const platform::Image& image, int width, int height) {
  if (image.width() <= 0 || image.height() <= 0) return std::nullopt;
  auto result = platform::Image::create(width, height);
  if (!result) return std::nullopt;
  Context cr = contextFor(*result);
  cairo_scale(cr.get(), double(width) / image.width(), double(height) / image.height());
  cairo_set_source_surface(cr.get(), image.surface(), 0, 0);
  // Without padding, the edge pixels would blend with the transparent outside.
  cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr.get());
  cairo_surface_flush(result->surface());
  return result;
}

platform::Image defaultAppIcon(const ImageLoader& imageNamed) {
  if (auto shape = imageNamed ? imageNamed("DefaultIcon") : std::nullopt) {
    if (auto icon = tintedImage(*shape, platform::Color::black())) return *icon;
  }
  return *platform::Image::create(512, 512);
}

std::optional<platform::Image> resourceImageNamed(const std::string& name) {
  auto bundle = platform::Bundle::main();
  if (!bundle) return std::nullopt;
  for (const char* type : {"png", "svg"}) {
    if (auto path = bundle->pathForResource(name, type)) {
      if (auto image = platform::Image::load(*path)) return image;
    }
  }
  return std::nullopt;
}

}  // namespace frontend
