#pragma once
// The app's own picture for its desktop notifications, taken from the icon
// file in its bundle (an ICNS file of PNG elements, as the builder writes it).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/bundle.hpp"

namespace runlet {

// Contents/Resources/<CFBundleIconFile, else "AppIcon">, ".icns" added when
// the name has no extension; the same file the desktop launcher's icon comes from.
std::filesystem::path bundleIconFile(const platform::Bundle& bundle);

// The PNG element closest to 256 pixels (notifications show icons small,
// but some desktops show them large); nothing when the bytes hold none.
std::optional<std::vector<std::uint8_t>> notificationIconPNG(std::span<const std::uint8_t> icnsBytes);

}  // namespace runlet
