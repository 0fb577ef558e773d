// The blob's motion glides without jumps, starting a new target exactly as each period ends.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "blobs/liquid_motion.hpp"

namespace {

constexpr double pi = std::numbers::pi;

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
