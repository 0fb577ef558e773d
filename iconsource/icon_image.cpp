#include "iconsource/icon_image.hpp"

#include <algorithm>
#include <vector>

namespace iconsource {
namespace {

struct IconEntry {
  int side = 0;  // the larger of width and height, 0 in the file meaning 256
  std::size_t directoryAt = 0;
  std::span<const std::uint8_t> data;
};

std::uint32_t littleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

// The entries of an icon file's directory that lie within the file; nothing
// when the bytes are not an icon file.
std::vector<IconEntry> iconEntries(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 6 || littleEndian(bytes, 0, 2) != 0 || littleEndian(bytes, 2, 2) != 1) return {};
  const std::size_t count = littleEndian(bytes, 4, 2);
  if (count == 0 || bytes.size() < 6 + 16 * count) return {};
  std::vector<IconEntry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    int width = bytes[at] ? bytes[at] : 256, height = bytes[at + 1] ? bytes[at + 1] : 256;
    std::size_t size = littleEndian(bytes, at + 8, 4), offset = littleEndian(bytes, at + 12, 4);
    if (size == 0 || offset > bytes.size() || size > bytes.size() - offset) continue;
    entries.push_back({std::max(width, height), at, bytes.subspan(offset, size)});
  }
  return entries;
}

bool isPng(std::span<const std::uint8_t> data) {
  static constexpr std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return data.size() >= sizeof signature && std::equal(std::begin(signature), std::end(signature), data.begin());
}

// A bitmap entry on its own, wrapped as a one-entry icon file for the platform decoder.
std::optional<platform::Picture> decodeBitmapEntry(std::span<const std::uint8_t> file, std::size_t directoryAt,
                                                 std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> single = {0, 0, 1, 0, 1, 0};
  single.insert(single.end(), file.begin() + directoryAt, file.begin() + directoryAt + 12);
  for (std::uint32_t offset = 22, i = 0; i < 4; ++i) single.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
  single.insert(single.end(), data.begin(), data.end());
  return platform::decodePicture(single);
}

}  // namespace

std::optional<platform::Picture> decodeIconImage(std::span<const std::uint8_t> bytes) {
  auto entries = iconEntries(bytes);
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.side > b.side; });
  for (const auto& entry : entries) {
    auto picture = isPng(entry.data) ? platform::decodePicture(entry.data)
                                     : decodeBitmapEntry(bytes, entry.directoryAt, entry.data);
    if (picture) return picture;
  }
  return platform::decodePicture(bytes);
}

}  // namespace iconsource
