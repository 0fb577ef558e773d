#pragma once
// The motion of one blob: its angles glide linearly from one random list to
// the next, one list per period. Time is fed in as it passes, so a blob that
// is not shown simply gets no time and resumes where it stopped.

#include <random>

#include "blobs/animatable_array.hpp"

namespace blobs {

class LiquidMotion {
 public:
  // Starts at a random list, already gliding towards the next one.
  LiquidMotion(int samples, double period, std::uint64_t seed = std::random_device{}());

  // Moves `seconds` further. Each time a period ends, the list reached is the
  // start of the next glide, so the motion never pauses or jumps.
  void advance(double seconds);

  AnimatableArray radians() const { return interpolate(from_, to_, elapsed_ / period_); }
  const AnimatableArray& from() const { return from_; }
  const AnimatableArray& to() const { return to_; }
  double elapsed() const { return elapsed_; }

 private:
  int samples_;
  double period_;
  std::mt19937_64 random_;
  AnimatableArray from_, to_;
  double elapsed_ = 0;
};

}  // namespace blobs
