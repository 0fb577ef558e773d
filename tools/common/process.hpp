#pragma once
// Runs another program (gpg, update-desktop-database) by argument vector and
// waits for it, with its standard output and error captured as bytes.

#include <string>
#include <vector>

namespace tools {

struct ProcessResult {
  int exitStatus = -1;  // -1 when it ended by a signal
  std::string standardOutput;
  std::string standardError;
};

// The program is looked up in PATH when argv[0] has no slash. Throws
// std::runtime_error with the system's message when it cannot be started.
ProcessResult runProcess(const std::vector<std::string>& argv);

}  // namespace tools
