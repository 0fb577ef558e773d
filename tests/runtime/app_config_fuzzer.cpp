// The configuration reader on arbitrary bytes: it must return a record for
// every input, never crash, hang or print. Built as a libFuzzer target with
// clang (-DNIMBREL_FUZZ=ON); otherwise fuzz/standalone_fuzz_driver.cpp runs it as a test.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/app_config.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto config = runlet::readAppConfigData(std::string_view(reinterpret_cast<const char*>(data), size));
  // Touch every field so a bad value would be noticed by the sanitizers.
  volatile std::size_t sink = config.name.size() + config.type.size() + config.url.size() + config.indexFile.size() +
                              (config.fullContent ? 1 : 0);
  (void)sink;
  return 0;
}
