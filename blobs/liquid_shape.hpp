#pragma once
// The geometry of one blob: random angles, the points they give on the
// ellipse inscribed in the blob's frame, and a smooth closed curve through
// those points as cubic segments, ready for any drawing library.

#include <cstddef>
#include <random>
#include <vector>

#include "blobs/animatable_array.hpp"

namespace blobs {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

// `samples` angles, each in its own slice of the circle (2π·i/n to
// 2π·(i+1)/n), all shifted by one shared random offset of at most π/n, so
// the list never decreases and neighbours never swap places.
AnimatableArray randomRadians(int samples);
AnimatableArray randomRadians(int samples, std::mt19937_64& random);

// The point of each angle on the ellipse inscribed in `frame`.
std::vector<Point> ellipsePoints(const AnimatableArray& radians, const Rect& frame);

// The handles of one point: `outgoing` starts the segment to the next point,
// `incoming` ends the segment from the previous one. Both lie on the tangent,
// which is parallel to the line from the next point to the previous one.
struct Handles {
  Point outgoing, incoming;
};
std::vector<Handles> controlPoints(const std::vector<Point>& points);

struct CubicSegment {
  Point control1, control2, end;
};

// A closed path: move to `start`, then one cubic per segment; the last ends at `start`.
struct ClosedCurve {
  Point start;
  std::vector<CubicSegment> segments;
};

// The smooth closed curve through `points` (empty for no points).
ClosedCurve closedCurve(const std::vector<Point>& points);

// The blob's outline for its current angles inside `frame`.
ClosedCurve liquidPath(const AnimatableArray& radians, const Rect& frame);

}  // namespace blobs
