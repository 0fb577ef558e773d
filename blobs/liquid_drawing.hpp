#pragma once
// Draws a blob's outline with cairo: the same curve for the wizard's views,
// the tests and the screenshots.

#include <cairo.h>

#include "blobs/liquid_shape.hpp"

namespace blobs {

// Adds the closed outline of `radians` inside `frame` to the current path.
void appendLiquidPath(cairo_t* cr, const AnimatableArray& radians, const Rect& frame);

}  // namespace blobs
