#pragma once
// The edge every stand-in tool shares: a wrong command line exits 2 with the
// tool's usage, any other failure exits 1 with one message on standard error.

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A failure whose text is printed exactly as it stands (no tool-name prefix,
// no line break added), for tools that pass on another program's message.
struct VerbatimFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs body with the arguments after the program name and turns what it
// throws into a message and an exit status.
int runTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<int(const std::vector<std::string>&)>& body);

}  // namespace tools
