#pragma once
// A list of numbers with the vector arithmetic an animation needs to blend
// two lists. Lists of different lengths combine over the shorter length, so
// a blob never reads past the end of the list it is blending towards.

#include <vector>

namespace blobs {

struct AnimatableArray {
  std::vector<double> values;

  static AnimatableArray zero() { return {}; }
  double magnitudeSquared() const;
  bool operator==(const AnimatableArray&) const = default;
};

AnimatableArray operator+(const AnimatableArray& a, const AnimatableArray& b);
AnimatableArray operator-(const AnimatableArray& a, const AnimatableArray& b);
AnimatableArray operator*(const AnimatableArray& a, double factor);
AnimatableArray& operator+=(AnimatableArray& a, const AnimatableArray& b);
AnimatableArray& operator-=(AnimatableArray& a, const AnimatableArray& b);
AnimatableArray& operator*=(AnimatableArray& a, double factor);

// The list a fraction `progress` (0 to 1) of the way from `from` to `to`.
AnimatableArray interpolate(const AnimatableArray& from, const AnimatableArray& to, double progress);

}  // namespace blobs
