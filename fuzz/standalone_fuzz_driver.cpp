// Runs a fuzz entry point without libFuzzer: seeds of typical markup, mutated
// at random (byte flips, inserts, cuts, splices), for a given number of rounds.
// Usage: driver [rounds] [seed]
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const std::vector<std::string> seeds = {
    R"(<html><head><link rel="icon" href="/favicon.ico"><LINK REL='apple-touch-icon' HREF='a.png'></head></html>)",
    R"(<link rel="stylesheet" href="icons.css"><link rel=icon href=bare.png><link href = "x" rel="mask-icon">)",
    "<link\n rel=\"shortcut icon\"\n href=\"//cdn.example/i.png?a=1&amp;b\">",
    "<link<link<link href='href=\"icon",
    "\xef\xbb\xbf<link rel=\"ic\xc3\xb4n icon\" href=\"\xc3\xa9.png\">\xff\xfe\x00<link>",
};

const char* const fragments[] = {"<link", "<LINK ", ">", "href", "HREF", "=", "\"", "'", "icon", " ", "\n",
                                 "//", "../", "%", "\xc3", "\x00", "[", "]:", "?", "#"};

std::string mutate(std::string input, std::mt19937& random) {
  std::uniform_int_distribution<int> pick(0, 5);
  int steps = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < steps; ++i) {
    std::size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    switch (pick(random)) {
      case 0:  // flip a bit
        if (at < input.size()) input[at] = static_cast<char>(input[at] ^ (1 << (random() % 8)));
        break;
      case 1: input.insert(at, 1, static_cast<char>(random() % 256)); break;
      case 2: input.insert(at, fragments[random() % std::size(fragments)]); break;
      case 3: if (at < input.size()) input.erase(at, random() % 16); break;
      case 4: {  // splice in the tail of a seed
        const std::string& other = seeds[random() % seeds.size()];
        input.insert(at, other.substr(random() % (other.size() + 1)));
        break;
      }
      default: if (input.size() < 1 << 16) input += input.substr(at);
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  long rounds = argc > 1 ? std::atol(argv[1]) : 100000;
  unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 20261206u;
  std::mt19937 random(seed);
  std::vector<std::string> pool = seeds;
  for (long round = 0; round < rounds; ++round) {
    std::string input = mutate(pool[random() % pool.size()], random);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    if (pool.size() < 256 && round % 7 == 0) pool.push_back(std::move(input));
    else if (round % 7 == 0) pool[random() % pool.size()] = std::move(input);
  }
  std::printf("%ld inputs, seed %u: no failure\n", rounds, seed);
  return 0;
}
