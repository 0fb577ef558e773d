// Arbitrary bytes as a picture (libFuzzer only): decoding must neither crash
// nor give a bitmap larger than 1024 pixels on a side.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (auto picture = platform::decodePicture(std::span(data, size))) {
    if (picture->image.width() > platform::maxPictureEdge || picture->image.height() > platform::maxPictureEdge) {
      std::abort();
    }
  }
  return 0;
}
