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

void expectNear(Point actual, Point expected, const char* what = "") {
  EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
}
double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(AnimatableArray, ArithmeticRunsOverTheShorterList) {
  AnimatableArray eight{std::vector<double>(8, 1.0)};
  AnimatableArray fifteen{std::vector<double>(15, 2.0)};
  EXPECT_EQ((eight + fifteen).values, std::vector<double>(8, 3.0));
  EXPECT_EQ((fifteen - eight).values, std::vector<double>(8, 1.0));
  EXPECT_EQ((AnimatableArray{{1, -2, 3}} * 2).values, (std::vector<double>{2, -4, 6}));
  EXPECT_EQ((AnimatableArray{{3, 4}}.magnitudeSquared()), 25);
  EXPECT_EQ(AnimatableArray::zero().magnitudeSquared(), 0);
  EXPECT_TRUE((AnimatableArray::zero() + eight).values.empty());
  EXPECT_EQ((AnimatableArray{{1, 2}}), (AnimatableArray{{1, 2}}));
  EXPECT_NE((AnimatableArray{{1, 2}}), (AnimatableArray{{1, 2, 0}}));

  AnimatableArray a{{1, 2, 3}};
  a += AnimatableArray{{1, 1}};
  EXPECT_EQ(a.values, (std::vector<double>{2, 3}));
  a *= 0.5;
  EXPECT_EQ(a.values, (std::vector<double>{1, 1.5}));
}

TEST(AnimatableArray, InterpolationGoesFromOneListToTheOther) {
  AnimatableArray from{{0, 10}}, to{{4, 20}};
  EXPECT_EQ(blobs::interpolate(from, to, 0), from);
  EXPECT_EQ(blobs::interpolate(from, to, 1), to);
  EXPECT_EQ(blobs::interpolate(from, to, 0.25).values, (std::vector<double>{1, 12.5}));
}

class RandomRadians : public ::testing::TestWithParam<int> {};

TEST_P(RandomRadians, EachAngleLiesInItsSliceShiftedByOneSharedOffset) {
  const int n = GetParam();
  const double width = 2 * pi / n;
  std::mt19937_64 random(1234);
  for (int draw = 0; draw < 2000; ++draw) {
    auto radians = blobs::randomRadians(n, random);
    ASSERT_EQ(radians.values.size(), static_cast<size_t>(n));
    // Every angle k allows offsets from v − width·(k+1) to v − width·k; one
    // offset in [0, π/n] must fit all of them.
    double lowest = 0, highest = pi / n;
    for (int k = 0; k < n; ++k) {
      lowest = std::max(lowest, radians.values[k] - width * (k + 1));
      highest = std::min(highest, radians.values[k] - width * k);
      if (k > 0) {
        ASSERT_LE(radians.values[k - 1], radians.values[k]);
      }
    }
    ASSERT_LE(lowest, highest + 1e-12) << "draw " << draw;
  }
}

INSTANTIATE_TEST_SUITE_P(Blobs, RandomRadians, ::testing::Values(1, 3, 8, 15));

TEST(RandomRadiansEdges, NoSamplesGiveNoAnglesAndEveryCallDiffers) {
  EXPECT_TRUE(blobs::randomRadians(0).values.empty());
  EXPECT_TRUE(blobs::randomRadians(-2).values.empty());
  EXPECT_NE(blobs::randomRadians(8), blobs::randomRadians(8));
}

TEST(LiquidShape, FourPointsOnACircleGiveTheKnownCurve) {
  AnimatableArray radians{{0, pi / 2, pi, 3 * pi / 2}};
  auto points = blobs::ellipsePoints(radians, Rect{0, 0, 100, 100});
  ASSERT_EQ(points.size(), 4u);
  expectNear(points[0], {100, 50});
  expectNear(points[1], {50, 100});
  expectNear(points[2], {0, 50});
  expectNear(points[3], {50, 0});

  const double third = std::hypot(50, 50) / 3;  // every chord is 50·√2
  auto handles = blobs::controlPoints(points);
  expectNear(handles[0].outgoing, {100, 50 + third}, "towards the next point");
  expectNear(handles[0].incoming, {100, 50 - third}, "from the previous point");
  expectNear(handles[1].outgoing, {50 - third, 100});
  expectNear(handles[2].incoming, {0, 50 + third});
  expectNear(handles[3].outgoing, {50 + third, 0});

  auto curve = blobs::liquidPath(radians, Rect{0, 0, 100, 100});
  expectNear(curve.start, {50, 0});
  ASSERT_EQ(curve.segments.size(), 4u);
  expectNear(curve.segments[0].control1, handles[3].outgoing);
  expectNear(curve.segments[0].control2, handles[0].incoming);
  expectNear(curve.segments[0].end, points[0]);
  expectNear(curve.segments[3].end, curve.start, "closed");
}

TEST(LiquidShape, WideFrameFlattensTheBlobOntoItsInscribedEllipse) {
  Rect frame{10, 20, 300, 100};
  std::mt19937_64 random(7);
  auto points = blobs::ellipsePoints(blobs::randomRadians(15, random), frame);
  for (auto p : points) {
    double u = (p.x - 160) / 150, v = (p.y - 70) / 50;
    EXPECT_NEAR(u * u + v * v, 1, 1e-9);
  }
}

TEST(LiquidShape, CurveIsSmoothWithHandlesAThirdOfEachChord) {
  std::mt19937_64 random(99);
  auto points = blobs::ellipsePoints(blobs::randomRadians(8, random), Rect{0, 0, 240, 180});
  auto curve = blobs::closedCurve(points);
  const size_t n = points.size();
  ASSERT_EQ(curve.segments.size(), n);
  for (size_t i = 0; i < n; ++i) {
    Point p = points[i];
    Point in = curve.segments[i].control2;
    Point out = curve.segments[(i + 1) % n].control1;
    EXPECT_NEAR(distance(in, p), distance(p, points[(i + n - 1) % n]) / 3, 1e-9);
    EXPECT_NEAR(distance(out, p), distance(p, points[(i + 1) % n]) / 3, 1e-9);
    // The point sits on the straight line between its two handles: no corner.
    EXPECT_NEAR(distance(in, p) + distance(p, out), distance(in, out), 1e-9) << "corner at " << i;
  }
}

TEST(LiquidShape, TooFewOrCoincidentPointsGiveFiniteStraightCurves) {
  EXPECT_TRUE(blobs::closedCurve({}).segments.empty());
  for (const auto& points : {std::vector<Point>{{5, 5}}, std::vector<Point>{{0, 0}, {10, 0}},
                             blobs::ellipsePoints(AnimatableArray{{0, 1, 2, 3}}, Rect{0, 0, 0, 0})}) {
    auto curve = blobs::closedCurve(points);
    ASSERT_EQ(curve.segments.size(), points.size());
    for (const auto& s : curve.segments) {
      for (Point q : {s.control1, s.control2, s.end}) EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
    }
  }
}

}  // namespace
