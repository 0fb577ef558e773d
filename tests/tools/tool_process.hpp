#pragma once
// Runs a built tool (or a system program such as icns2png) as a real process,
// with extra environment variables, and captures what it writes.

#include <map>
#include <string>
#include <vector>

#include "tools/common/process.hpp"

namespace tools_test {

inline tools::ProcessResult run(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env = {}) {
  std::vector<std::string> argv{"env"};
  for (const auto& [key, value] : env) argv.push_back(key + "=" + value);
  argv.push_back(program);
  argv.insert(argv.end(), args.begin(), args.end());
  return tools::runProcess(argv);
}

}  // namespace tools_test
