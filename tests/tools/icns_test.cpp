// The reader also opens icon files of bundles it did not make, so every kind
// of damage must be refused rather than read past.

#include "tools/common/icns.hpp"

#include <gtest/gtest.h>


namespace icns = tools::icns;

namespace {

TEST(Icns, EveryKindOfDamageIsRefused) {
  // Head (8 bytes), then 'icp4' of length 12 at 8, then 'icp5' of length 10 at 20: 30 bytes.
  const auto intact = icns::encode(std::vector<icns::Element>{{"icp4", {1, 2, 3, 4}}, {"icp5", {5, 6}}});
  ASSERT_TRUE(icns::decode(intact));
  // name, byte to overwrite (npos: cut the file to `value` bytes), value
  const std::tuple<const char*, std::size_t, std::uint8_t> damages[] = {
      {"wrong magic", 0, 'x'},         {"total past the end", 7, 200},     {"total below the head", 7, 4},
      {"element shorter than its head", 15, 7}, {"element past the total", 15, 100},
      {"trail shorter than a head", 7, 22},   {"cut inside the head", std::string::npos, 4},
  };
  for (const auto& [name, offset, value] : damages) {
    auto bytes = intact;
    offset == std::string::npos ? bytes.resize(value) : void(bytes[offset] = value);
    EXPECT_FALSE(icns::decode(bytes)) << name;
  }
}

}  // namespace
