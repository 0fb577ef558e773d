#pragma once
// PNG encoding of cairo image surfaces, tuned for icon sets: straight
// (unpremultiplied) RGBA, fast deflate. Ten sizes of one icon are written on
// the main thread during a build, so encoding speed is what matters here.

#include <cstdint>
#include <vector>

#include "platform/image.hpp"

namespace builder {

// Empty on failure.
std::vector<std::uint8_t> encodePNG(const platform::Image& image);

}  // namespace builder
