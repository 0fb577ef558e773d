#pragma once
// ICNS icon files with PNG-coded elements. A file is the magic "icns" and its
// total length (big-endian), then elements: a four-letter type, the element's
// length including its 8-byte head, and the data (here a whole PNG file).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tools::icns {

struct Element {
  std::string type;  // four ASCII letters
  std::vector<std::uint8_t> data;
};

// One image file of an icon-set folder and the element it becomes.
struct Slot {
  std::string_view fileName;
  std::string_view type;
  std::uint32_t pixels;  // edge length the PNG must have
};

// The ten files of a complete icon set, in the order they are written.
std::span<const Slot> iconSetSlots();

struct PixelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool operator==(const PixelSize&) const = default;
};

// The size from a PNG's header, when the bytes hold a whole PNG: signature,
// header chunk first and the end chunk last (so a cut-off file is refused).
std::optional<PixelSize> pngSize(std::span<const std::uint8_t> bytes);

// Throws std::length_error when the file would pass the format's 4 GiB limit.
std::vector<std::uint8_t> encode(std::span<const Element> elements);

// Nothing when the bytes are not a well-formed icon file.
std::optional<std::vector<Element>> decode(std::span<const std::uint8_t> bytes);

}  // namespace tools::icns
