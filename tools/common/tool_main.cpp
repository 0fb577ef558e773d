#include "tools/common/tool_main.hpp"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tools {

int runTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<int(const std::vector<std::string>&)>& body) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    return body(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nusage: %s\n", name, e.what(), usage);
    return kExitUsage;
  } catch (const VerbatimFailure& e) {
    std::fputs(e.what(), stderr);
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return kExitFailure;
  }
}

}  // namespace tools
