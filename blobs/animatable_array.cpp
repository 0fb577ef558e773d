#include "blobs/animatable_array.hpp"

#include <algorithm>

namespace blobs {

namespace {

template <typename Op>
AnimatableArray elementwise(const AnimatableArray& a, const AnimatableArray& b, Op op) {
  size_t n = std::min(a.values.size(), b.values.size());
  AnimatableArray result;
  result.values.reserve(n);
  for (size_t i = 0; i < n; ++i) result.values.push_back(op(a.values[i], b.values[i]));
  return result;
}

}  // namespace

double AnimatableArray::magnitudeSquared() const {
  double sum = 0;
  for (double v : values) sum += v * v;
  return sum;
}

AnimatableArray operator+(const AnimatableArray& a, const AnimatableArray& b) {
  return elementwise(a, b, [](double x, double y) { return x + y; });
}

AnimatableArray operator-(const AnimatableArray& a, const AnimatableArray& b) {
  return elementwise(a, b, [](double x, double y) { return x - y; });
}

AnimatableArray operator*(const AnimatableArray& a, double factor) {
  AnimatableArray result = a;
  for (double& v : result.values) v *= factor;
  return result;
}

AnimatableArray& operator+=(AnimatableArray& a, const AnimatableArray& b) { return a = a + b; }
AnimatableArray& operator-=(AnimatableArray& a, const AnimatableArray& b) { return a = a - b; }
AnimatableArray& operator*=(AnimatableArray& a, double factor) { return a = a * factor; }

AnimatableArray interpolate(const AnimatableArray& from, const AnimatableArray& to, double progress) {
  return from + (to - from) * progress;
}

}  // namespace blobs
