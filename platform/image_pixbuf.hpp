#pragma once
// Between the image type and its decoders: a gdk-pixbuf bitmap as an Image.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <optional>

#include "platform/image.hpp"

namespace platform {

// Premultiplied ARGB copy of a straight RGB(A) pixbuf of any size Image::create takes.
std::optional<Image> imageFromPixbuf(GdkPixbuf* pixbuf);

}  // namespace platform
