// ditto: only its archiving form, "-c -k [--keepParent] SOURCE ARCHIVE.zip".

#include <string>
#include <vector>

#include "tools/common/options.hpp"
#include "tools/common/tool_main.hpp"
#include "tools/ditto/zip_archive.hpp"

namespace {

constexpr const char* kUsage = "ditto -c -k [--keepParent] SOURCE ARCHIVE.zip";

int run(const std::vector<std::string>& args) {
  static const tools::OptionRule specs[] = {
      {'c', {}},
      {'k', {}},
      {'V', {}},
      {'v', {}},
      {'\0', "keepParent"},
      // Metadata this system does not have; accepted so command lines stay portable.
      {'\0', "norsrc"},
      {'\0', "noextattr"},
      {'\0', "noqtn"},
      {'\0', "noacl"},
      {'\0', "sequesterRsrc"},
  };
  auto parsed = tools::parseArguments(args, specs);
  if (!parsed.has("c") || !parsed.has("k")) throw tools::UsageError("only ZIP archive creation (-c -k) is supported");
  if (parsed.operands.size() != 2) throw tools::UsageError("expected a source folder and an archive path");
  ditto::writeZipArchive(parsed.operands[0], parsed.operands[1], parsed.has("keepParent"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("ditto", kUsage, argc, argv, run); }
