#include "tools/common/icns.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

namespace tools::icns {
namespace {

constexpr std::size_t kHeadSize = 8;

// 1x entries are the plain point sizes; the 2x ones share the pixel size of
// the next point size up but have types of their own.
constexpr std::array<Slot, 10> kSlots{{
    {"icon_16x16.png", "icp4", 16},
    {"icon_16x16@2x.png", "ic11", 32},
    {"icon_32x32.png", "icp5", 32},
    {"icon_32x32@2x.png", "ic12", 64},
    {"icon_128x128.png", "ic07", 128},
    {"icon_128x128@2x.png", "ic13", 256},
    {"icon_256x256.png", "ic08", 256},
    {"icon_256x256@2x.png", "ic14", 512},
    {"icon_512x512.png", "ic09", 512},
    {"icon_512x512@2x.png", "ic10", 1024},
}};

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::array<std::uint8_t, 12> kPngEnd{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};

std::uint32_t readBigEndian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

}  // namespace

std::span<const Slot> iconSetSlots() { return kSlots; }

std::optional<PixelSize> pngSize(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kHeaderEnd = 8 + 8 + 13 + 4;  // signature, chunk head, IHDR body, CRC
  if (bytes.size() < kHeaderEnd + kPngEnd.size()) return std::nullopt;
  if (!std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin())) return std::nullopt;
  const std::uint8_t* chunk = bytes.data() + 8;
  if (readBigEndian(chunk) != 13 || !std::equal(chunk + 4, chunk + 8, "IHDR")) return std::nullopt;
  if (!std::equal(kPngEnd.begin(), kPngEnd.end(), bytes.end() - kPngEnd.size())) return std::nullopt;
  PixelSize size{readBigEndian(chunk + 8), readBigEndian(chunk + 12)};
  if (size.width == 0 || size.height == 0) return std::nullopt;
  return size;
}

std::vector<std::uint8_t> encode(std::span<const Element> elements) {
  std::uint64_t total = kHeadSize;
  for (const auto& e : elements) {
    if (e.type.size() != 4) throw std::invalid_argument("icon element type must have four letters: " + e.type);
    total += kHeadSize + e.data.size();
  }
  if (total > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("icon file too large");

  std::vector<std::uint8_t> out;
  out.reserve(total);
  for (char c : std::string_view("icns")) out.push_back(static_cast<std::uint8_t>(c));
  appendBigEndian(out, static_cast<std::uint32_t>(total));
  for (const auto& e : elements) {
    out.insert(out.end(), e.type.begin(), e.type.end());
    appendBigEndian(out, static_cast<std::uint32_t>(kHeadSize + e.data.size()));
    out.insert(out.end(), e.data.begin(), e.data.end());
  }
  return out;
}

std::optional<std::vector<Element>> decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeadSize || !std::equal(bytes.begin(), bytes.begin() + 4, "icns")) return std::nullopt;
  std::uint32_t total = readBigEndian(bytes.data() + 4);
  if (total < kHeadSize || total > bytes.size()) return std::nullopt;

  std::vector<Element> elements;
  std::size_t offset = kHeadSize;
  while (offset < total) {
    if (total - offset < kHeadSize) return std::nullopt;
    const std::uint8_t* head = bytes.data() + offset;
    std::uint32_t length = readBigEndian(head + 4);
    if (length < kHeadSize || length > total - offset) return std::nullopt;
    elements.push_back({std::string(head, head + 4), std::vector<std::uint8_t>(head + kHeadSize, head + length)});
    offset += length;
  }
  return elements;
}

}  // namespace tools::icns
