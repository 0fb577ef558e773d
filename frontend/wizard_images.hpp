#pragma once
// Picture helpers of the wizard: colours written as "#RRGGBB", silhouettes
// filled with one colour, the default icon and Nimbrel's named images.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/image.hpp"

namespace frontend {

// "#RRGGBB" as an opaque sRGB colour. The six characters after "#" are read
// like a hexadecimal scanner does: leading blanks and a "0x" are skipped and
// reading stops at the first non-digit, so only text without any digit gives nothing.
std::optional<platform::Color> colorFromHex(std::string_view text);

// The image's shape (its alpha) filled with `color`, at the image's size.
std::optional<platform::Image> tintedImage(const platform::Image& image, const platform::Color& color);

using ImageLoader = std::function<std::optional<platform::Image>(const std::string& name)>;

// "DefaultIcon" in black; an empty 512 × 512 image when that resource is missing.
platform::Image defaultAppIcon(const ImageLoader& imageNamed);

// A picture from Nimbrel's own resources by name ("name.png", else "name.svg").
std::optional<platform::Image> resourceImageNamed(const std::string& name);

}  // namespace frontend
