// The configuration reader on arbitrary bytes: it must return a record for
// every input, never crash, hang or print. Built as a libFuzzer target with
// clang (-DNIMBREL_FUZZ=ON); otherwise a small mutating driver runs it as a test.
#include <cstddef>
#include <cstdint>
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
int main(int argc, char** argv) {
  const std::vector<std::string> seeds = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>name</key><string>A</string>"
      "<key>type</key><string>local</string><key>fullcontent</key><true/><key>indexFile</key><string>x.html</string>"
      "</dict></plist>",
      "<plist><array><dict><key>url</key><integer>99999999999999999999</integer></dict><data>AAE=</data>"
      "<date>2020-01-01T00:00:00Z</date><real>1e999</real></array></plist>",
      std::string("bplist00\xd1\x01\x02Tname\x53\x42in\x08\x0b\x10", 22) + std::string(29, '\0') + "\x14",
      "<plist><dict><key>name</key><dict><key>name</key><dict><key>name</key><string>&#0;&amp;&lt;",
  };
  const char* const fragments[] = {"<dict>", "</dict>", "<array>", "<key>", "</key>", "<string>", "<true/>",
                                   "<integer>", "&", "\xff", "\0", "bplist", "\x00\x00\x00\x00\x00\x00\x00\x20"};
  long rounds = argc > 1 ? std::atol(argv[1]) : 20000;
  std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u);
  for (long round = 0; round < rounds; ++round) {
    std::string input = seeds[random() % seeds.size()];
    for (int steps = 1 + static_cast<int>(random() % 6); steps > 0; --steps) {
      std::size_t at = input.empty() ? 0 : random() % input.size();
      switch (random() % 4) {
        case 0:
          if (!input.empty()) input[at] = static_cast<char>(random());
          break;
        case 1:
          input.insert(at, fragments[random() % std::size(fragments)]);
          break;
        case 2:
          input.erase(at, random() % 16);
          break;
        default:
          input = input.substr(0, at) + seeds[random() % seeds.size()];
      }
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
  return 0;
}
#endif
