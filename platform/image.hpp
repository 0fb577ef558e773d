#pragma once
// Decoded bitmap images (a cairo ARGB32 surface underneath) and colours.
// Decoding goes through gdk-pixbuf (PNG, JPEG, GIF's first frame, ICO's
// largest entry, SVG through librsvg, BMP, TIFF and a few more) and libpng,
// always bounded: see picture_decoding.cpp.

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

// Pictures are decoded at most this large on either side (the largest size
// the icon set needs), keeping their aspect ratio.
inline constexpr int maxPictureEdge = 1024;
// Picture files and bodies larger than this are not decoded.
inline constexpr std::size_t maxPictureBytes = 32u << 20;

class Image {
 public:
  // A fully transparent image; nothing when the size is unusable.
  static std::optional<Image> create(int width, int height);
  // A picture's bitmap, at most maxPictureEdge on either side (see decodePicture).
  static std::optional<Image> decode(std::span<const std::uint8_t> bytes);
  // The same from a regular file of at most maxPictureBytes, read without
  // blocking (a named pipe or a device is no picture).
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

// A decoded picture and the size it declares itself, which its bitmap (at
// most maxPictureEdge on either side) may be smaller than.
struct Picture {
  Image image;
  int width = 0;
  int height = 0;
};

// Nothing for bytes that are no picture, or one too large to decode within
// bounds: beyond 16384 x 16384 pixels declared, or (except for SVG, JPEG and
// non-interlaced PNG, which are scaled while decoding) beyond 4096 x 4096.
std::optional<Picture> decodePicture(std::span<const std::uint8_t> bytes);

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
