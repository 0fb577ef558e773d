// The configuration reader on arbitrary bytes: it must return a record for
// every input, never crash, hang or print. Built as a libFuzzer target with
// clang (-DNIMBREL_FUZZ=ON); otherwise a small mutating driver runs it as a test.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/app_config.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto config = runlet::readAppConfigData(std::string_view(reinterpret_cast<const char*>(data), size));
  // Touch every field so a bad value would be noticed by the sanitizers.
  volatile std::size_t sink = config.name.size() + config.type.size() + config.url.size() + config.indexFile.size() +
                              (config.fullContent ? 1 : 0);
  (void)sink;
  return 0;
}

#ifndef NIMBREL_LIBFUZZER
// Usage: app_config_fuzz_driver ROUNDS SEED_FOLDER
int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const char* const fragments[] = {"<dict>", "</dict>", "<array>", "<key>", "</key>", "<string>", "<true/>",
                                   "<integer>", "&", "\xff", "\0", "bplist", "\x00\x00\x00\x00\x00\x00\x00\x20"};
  long rounds = std::atol(argv[1]);
  std::mt19937 random(1u);
  for (long round = 0; round < rounds; ++round) {
    std::string input = seeds[random() % seeds.size()];
    for (int steps = 1 + static_cast<int>(random() % 6); steps > 0; --steps) {
      std::size_t at = input.empty() ? 0 : random() % input.size();
      switch (random() % 4) {
        case 0: if (!input.empty()) input[at] = static_cast<char>(random()); break;
        case 1: input.insert(at, fragments[random() % std::size(fragments)]); break;
        case 2: input.erase(at, random() % 16); break;
        default: input = input.substr(0, at) + seeds[random() % seeds.size()];
      }
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
  return 0;
}
#endif
