// The blob as drawn: the outline lands on the right pixels, and its motion
// glides without jumps, starting a new target exactly as each period ends.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "blobs/liquid_drawing.hpp"
#include "blobs/liquid_motion.hpp"

namespace {

constexpr double pi = std::numbers::pi;

// Each quarter is a cubic whose handles are a third of the chord long: its
// midpoint lies at 83.8 along both axes from the far corner, inside the circle (85.4).
TEST(LiquidDrawing, FourPointsOnACircleFillTheCurveBetweenThem) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 100, 100);
  cairo_t* cr = cairo_create(surface);
  blobs::appendLiquidPath(cr, blobs::AnimatableArray{{0, pi / 2, pi, 3 * pi / 2}}, blobs::Rect{0, 0, 100, 100});
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  auto alpha = [&](double x, double y) {
    return cairo_image_surface_get_data(surface)[int(y) * cairo_image_surface_get_stride(surface) + int(x)];
  };
  for (auto [sx, sy] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}) {
    EXPECT_EQ(alpha(50 + sx * 32, 50 + sy * 32), 255) << sx << "," << sy;
    EXPECT_EQ(alpha(50 + sx * 37, 50 + sy * 37), 0) << sx << "," << sy;
  }
  EXPECT_GT(alpha(98, 50), 200) << "the points themselves are on the edge of the frame";
  cairo_surface_destroy(surface);
}

TEST(LiquidMotion, GlidesWithoutJumpsAndRetargetsAsEachPeriodEnds) {
  const int samples = 8;
  const double period = 6, frame = 1.0 / 60;
  blobs::LiquidMotion motion(samples, period, 42);
  // One glide moves an angle by less than three slices of the circle.
  const double largestStep = 3 * (2 * pi / samples) / period * frame + 1e-9;
  auto before = motion.radians();
  auto target = motion.to();
  int retargets = 0;
  for (int i = 0; i < int(2.5 * period / frame); ++i) {
    motion.advance(frame);
    auto now = motion.radians();
    for (int k = 0; k < samples; ++k) ASSERT_LE(std::abs(now.values[k] - before.values[k]), largestStep) << i;
    if (motion.to() != target) {
      ++retargets;
      EXPECT_EQ(motion.from(), target) << "a new glide starts where the last one ended";
      EXPECT_LT(motion.elapsed(), frame);
      target = motion.to();
    }
    before = now;
  }
  EXPECT_EQ(retargets, 2);
}

}  // namespace
