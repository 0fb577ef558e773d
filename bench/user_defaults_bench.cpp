// Prints the cost of one user-defaults read and one write (file read, lock,
// temporary file, fsync, rename) on a domain holding a typical number of keys.
//   user_defaults_bench [iterations]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/user_defaults.hpp"

int main(int argc, char** argv) {
  int iterations = argc > 1 ? std::atoi(argv[1]) : 500;
  char pattern[] = "/tmp/nimbrel-defaults-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  setenv("XDG_CONFIG_HOME", pattern, 1);
  platform::UserDefaults defaults("bench.domain");
  for (int i = 0; i < 20; ++i) defaults.set("key." + std::to_string(i), "value " + std::to_string(i));

  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  for (int i = 0; i < iterations; ++i) defaults.set("counter", std::int64_t{i});
  double write = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations;
  start = Clock::now();
  std::int64_t sum = 0;
  for (int i = 0; i < iterations; ++i) sum += defaults.integer("counter").value_or(0);
  double read = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations;

  std::printf("user defaults, 21 keys, %d iterations: write %.1f us, read %.1f us (check %lld)\n", iterations, write,
              read, static_cast<long long>(sum));
  std::filesystem::remove_all(pattern);
  return 0;
}
