#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "blobs/animatable_array.hpp"
#include "blobs/liquid_shape.hpp"

namespace {

using blobs::AnimatableArray;
using blobs::Point;
using blobs::Rect;
constexpr double pi = std::numbers::pi;

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(LiquidShape, BlobIsSmoothWithHandlesAThirdOfEachChordAndNeverNaN) {
  std::mt19937_64 random(99);
  auto points = blobs::ellipsePoints(blobs::randomRadians(8, random), Rect{10, 20, 300, 100});
  auto curve = blobs::closedCurve(points);
  const size_t n = points.size();
  ASSERT_EQ(curve.segments.size(), n);
  for (size_t i = 0; i < n; ++i) {
    Point p = points[i], in = curve.segments[i].control2, out = curve.segments[(i + 1) % n].control1;
    double u = (p.x - 160) / 150, v = (p.y - 70) / 50;
    EXPECT_NEAR(u * u + v * v, 1, 1e-9) << "on the inscribed ellipse";
    EXPECT_NEAR(distance(in, p), distance(p, points[(i + n - 1) % n]) / 3, 1e-9);
    EXPECT_NEAR(distance(out, p), distance(p, points[(i + 1) % n]) / 3, 1e-9);
    EXPECT_NEAR(distance(in, p) + distance(p, out), distance(in, out), 1e-9) << "corner at " << i;
  }
  // Lists of different lengths meet over the shorter one, never past its end.
  EXPECT_EQ((AnimatableArray{std::vector<double>(8, 1.0)} + AnimatableArray{std::vector<double>(15, 2.0)}).values,
            std::vector<double>(8, 3.0));
  // Two points, or points on top of each other, have no tangent: straight, finite segments.
  for (Rect flat : {Rect{0, 0, 100, 0}, Rect{0, 0, 0, 0}}) {
    for (const auto& s : blobs::liquidPath(AnimatableArray{{0, pi}}, flat).segments)
      EXPECT_TRUE(std::isfinite(s.control1.x + s.control1.y + s.control2.x + s.control2.y));
  }
}

}  // namespace
