#pragma once
// Decoding of downloaded icons.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/image.hpp"

namespace iconsource {

// Any format the platform decodes, within its bounds, with the size the
// picture declares. An icon file (.ico) is decoded as its largest entry,
// whether that entry is a bitmap or PNG-coded (which the platform decoder
// alone rejects); entries that do not decode are passed over.
std::optional<platform::Picture> decodeIconImage(std::span<const std::uint8_t> bytes);

}  // namespace iconsource
