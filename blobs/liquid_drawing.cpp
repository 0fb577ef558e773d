#include "blobs/liquid_drawing.hpp"

namespace blobs {

void appendLiquidPath(cairo_t* cr, const AnimatableArray& radians, const Rect& frame) {
  ClosedCurve curve = liquidPath(radians, frame);
  if (curve.segments.empty()) return;
  cairo_move_to(cr, curve.start.x, curve.start.y);
  for (const CubicSegment& s : curve.segments) {
    cairo_curve_to(cr, s.control1.x, s.control1.y, s.control2.x, s.control2.y, s.end.x, s.end.y);
  }
  cairo_close_path(cr);
}

}  // namespace blobs
