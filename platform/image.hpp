#pragma once
// Decoded bitmap images (a cairo ARGB32 surface underneath) and colours.
// Decoding goes through gdk-pixbuf: PNG, JPEG, GIF, ICO (its largest entry),
// SVG through librsvg, and whatever else the installed loaders read.

#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct Color {
  double red = 1, green = 1, blue = 1, alpha = 1;  // fractions 0...1, sRGB
  static Color white() { return {1, 1, 1, 1}; }
  static Color black() { return {0, 0, 0, 1}; }
  bool operator==(const Color&) const = default;
};

class Image {
 public:
  // A fully transparent image; nothing when the size is unusable.
  static std::optional<Image> create(int width, int height);
  static std::optional<Image> decode(std::span<const std::uint8_t> bytes);
  static std::optional<Image> load(const std::filesystem::path& path);
  // Takes a reference to an existing image surface.
  static std::optional<Image> fromSurface(cairo_surface_t* surface);

  int width() const;
  int height() const;
  cairo_surface_t* surface() const { return surface_.get(); }

  // PNG encoding of the bitmap; empty on failure.
  std::vector<std::uint8_t> pngData() const;

 private:
  explicit Image(std::shared_ptr<cairo_surface_t> surface) : surface_(std::move(surface)) {}
  std::shared_ptr<cairo_surface_t> surface_;
};

// Paints `source` stretched to fill the rectangle exactly (not letterboxed).
// The source is padded, so its outer pixels don't fade into the transparency
// beyond its edge.
void paintStretched(cairo_t* cr, const Image& source, double x, double y, double width, double height);

// `image` redrawn to exactly width × height pixels; nothing when no such
// bitmap can be made.
std::optional<Image> stretched(const Image& image, int width, int height);

// The image's shape filled with `color`: the colour wherever the image is
// opaque, in proportion to its alpha; its own colours don't matter.
std::optional<Image> tinted(const Image& image, const Color& color);

}  // namespace platform
