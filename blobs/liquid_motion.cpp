#include "blobs/liquid_motion.hpp"

#include "blobs/liquid_shape.hpp"

namespace blobs {

LiquidMotion::LiquidMotion(int samples, double period, std::uint64_t seed)
    : samples_(samples), period_(period > 0 ? period : 1), random_(seed) {
  from_ = randomRadians(samples_, random_);
  to_ = randomRadians(samples_, random_);
}

void LiquidMotion::advance(double seconds) {
  if (!(seconds > 0)) return;
  elapsed_ += seconds;
  while (elapsed_ >= period_) {
    elapsed_ -= period_;
    from_ = std::move(to_);
    to_ = randomRadians(samples_, random_);
  }
}

}  // namespace blobs
