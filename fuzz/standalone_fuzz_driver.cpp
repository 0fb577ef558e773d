// Runs a fuzz entry point without libFuzzer: seeds (typical markup, or the files
// of a folder) mutated at random (byte flips, inserted fragments, cuts, splices).
// Usage: driver [rounds] [seed-folder]
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> seeds = {
    R"(<html><head><link rel="icon" href="/favicon.ico"><LINK REL='apple-touch-icon' HREF='a.png'></head></html>)",
    "<link\n rel=\"shortcut icon\"\n href=\"//cdn.example/i.png?a=1&amp;b\"><link<link href='href=\"icon",
    "\xef\xbb\xbf<link rel=\"ic\xc3\xb4n icon\" href=\"\xc3\xa9.png\">\xff\xfe\x00<link>",
};

const char* const fragments[] = {"<link", ">", "href", "=", "\"", "'", "icon", " ", "//", "../", "%", "\xc3", "[", "]:",
                                 "<dict>", "</dict>", "<array>", "<key>", "<true/>", "&", "bplist"};

std::string mutate(std::string input, std::mt19937& random) {
  for (int steps = 1 + static_cast<int>(random() % 8); steps > 0; --steps) {
    const std::size_t at = random() % (input.size() + 1);
    const std::string& other = seeds[random() % seeds.size()];
    switch (random() % 4) {
      case 0: input.insert(at, 1, static_cast<char>(random() % 256)); break;
      case 1: input.insert(at, fragments[random() % std::size(fragments)]); break;
      case 2: input.erase(at, random() % 16); break;
      default: if (input.size() < 1 << 16) input.insert(at, other.substr(random() % (other.size() + 1)));
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::atol(argv[1]) : 100000;
  const unsigned seed = 20261206u;
  if (argc > 2) {
    seeds.clear();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2], error)) {
      std::ifstream in(entry.path(), std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (error || seeds.empty()) {
      std::fprintf(stderr, "no seeds in %s\n", argv[2]);
      return 2;
    }
  }
  std::mt19937 random(seed);
  std::vector<std::string> pool = seeds;
  for (long round = 0; round < rounds; ++round) {
    std::string input = mutate(pool[random() % pool.size()], random);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    if (round % 7 == 0 && pool.size() < 256) pool.push_back(std::move(input));
    else if (round % 7 == 0) pool[random() % pool.size()] = std::move(input);
  }
  std::printf("%ld inputs, seed %u: no failure\n", rounds, seed);
  return 0;
}
