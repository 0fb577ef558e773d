// xcrun: the notarization tools it would start exist only on macOS. Each
// answers with a message the build shows as the reason notarization failed.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/tool_main.hpp"

namespace {

constexpr const char* kUsage = "xcrun notarytool|stapler ARGUMENTS...";

int run(const std::vector<std::string>& args) {
  if (args.empty()) throw tools::UsageError("no tool given");
  const std::string& tool = args.front();
  if (tool == "notarytool") {
    std::fputs(
        "notarytool: notarization exists only on macOS; Apple's notary service cannot be reached from "
        "this system. Build without a notary profile, or notarize the app on a Mac.\n",
        stderr);
    return tools::kExitFailure;
  }
  if (tool == "stapler") {
    std::fputs(
        "stapler: notarization exists only on macOS; there is no notarization ticket to staple on this "
        "system.\n",
        stderr);
    return tools::kExitFailure;
  }
  throw tools::UsageError("\"" + tool + "\" is not available; only notarytool and stapler are known");
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("xcrun", kUsage, argc, argv, run); }
