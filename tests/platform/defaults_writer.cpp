// A second process for the user-defaults tests: writes into a domain under the
// XDG_CONFIG_HOME it inherits.
//   defaults_writer DOMAIN set KEY VALUE        store VALUE as a string
//   defaults_writer DOMAIN many PREFIX COUNT    store PREFIX0 … PREFIX<COUNT-1> as integers
//   defaults_writer DOMAIN get KEY              print the string stored under KEY
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/user_defaults.hpp"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  platform::UserDefaults defaults(argv[1]);
  std::string command = argv[2];
  if (command == "set" && argc == 5) {
    defaults.set(argv[3], std::string(argv[4]));
  } else if (command == "many" && argc == 5) {
    int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i) defaults.set(argv[3] + std::to_string(i), std::int64_t{i});
  } else if (command == "get" && argc == 4) {
    auto value = defaults.string(argv[3]);
    if (!value) return 1;
    std::printf("%s", value->c_str());
  } else {
    return 2;
  }
  return 0;
}
