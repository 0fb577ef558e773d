#include "blobs/liquid_shape.hpp"

#include <cmath>
#include <numbers>

namespace blobs {

namespace {

Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator*(Point a, double f) { return {a.x * f, a.y * f}; }
double length(Point a) { return std::hypot(a.x, a.y); }

}  // namespace

AnimatableArray randomRadians(int samples, std::mt19937_64& random) {
  AnimatableArray result;
  if (samples <= 0) return result;
  const double n = samples;
  const double pi = std::numbers::pi;
  double offset = std::uniform_real_distribution<double>(0, pi / n)(random);
  result.values.reserve(static_cast<size_t>(samples));
  for (int i = 0; i < samples; ++i) {
    std::uniform_real_distribution<double> slice(2 * pi * i / n, 2 * pi * (i + 1) / n);
    result.values.push_back(slice(random) + offset);
  }
  return result;
}

AnimatableArray randomRadians(int samples) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  return randomRadians(samples, random);
}

std::vector<Point> ellipsePoints(const AnimatableArray& radians, const Rect& frame) {
  Point centre{frame.x + frame.width / 2, frame.y + frame.height / 2};
  std::vector<Point> points;
  points.reserve(radians.values.size());
  for (double a : radians.values) {
    points.push_back({centre.x + frame.width * std::cos(a) / 2, centre.y + frame.height * std::sin(a) / 2});
  }
  return points;
}

std::vector<Handles> controlPoints(const std::vector<Point>& points) {
  const size_t n = points.size();
  std::vector<Handles> handles;
  handles.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    Point current = points[i];
    Point previous = points[(i + n - 1) % n];
    Point next = points[(i + 1) % n];
    Point d = previous - next;
    double dl = length(d);
    // With one or two points, or neighbours on top of each other, there is no
    // tangent: the handles sit on the point and the segments come out straight.
    Point t = dl > 0 ? d * (1 / dl) : Point{};
    handles.push_back({current - t * (length(current - next) / 3), current + t * (length(current - previous) / 3)});
  }
  return handles;
}

ClosedCurve closedCurve(const std::vector<Point>& points) {
  ClosedCurve curve;
  const size_t n = points.size();
  if (n == 0) return curve;
  auto handles = controlPoints(points);
  curve.start = points[n - 1];
  curve.segments.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    size_t previous = (i + n - 1) % n;
    curve.segments.push_back({handles[previous].outgoing, handles[i].incoming, points[i]});
  }
  return curve;
}

ClosedCurve liquidPath(const AnimatableArray& radians, const Rect& frame) {
  return closedCurve(ellipsePoints(radians, frame));
}

}  // namespace blobs
