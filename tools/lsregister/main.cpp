// lsregister: "-f BUNDLE" registers an application bundle with the desktop
// (launcher and icon, see registration.hpp); "-u BUNDLE" removes it again.

#include <glib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/common/options.hpp"
#include "tools/common/tool_main.hpp"
#include "tools/lsregister/bundle_info.hpp"
#include "tools/lsregister/registration.hpp"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "lsregister [-f | -u] BUNDLE...";

// A removed bundle can still be unregistered by the path it had.
fs::path registeredPath(const fs::path& bundle) {
  std::error_code ec;
  fs::path path = fs::canonical(bundle, ec);
  return ec ? fs::absolute(bundle).lexically_normal() : path;
}

int run(const std::vector<std::string>& args) {
  static const tools::OptionRule specs[] = {{'f', {}}, {'u', {}}, {'v', {}}};
  auto parsed = tools::parseArguments(args, specs);
  if (parsed.has("f") && parsed.has("u")) throw tools::UsageError("-f and -u exclude each other");
  if (parsed.operands.empty()) throw tools::UsageError("no bundle given");

  auto locations = lsregister::Locations::below(g_get_user_data_dir());
  bool ok = true;
  for (const auto& operand : parsed.operands) {
    try {
      if (parsed.has("u")) {
        lsregister::unregisterBundle(registeredPath(operand), locations);
      } else {
        lsregister::registerBundle(lsregister::readBundleInfo(operand), locations);
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "lsregister: %s\n", e.what());
      ok = false;
    }
  }
  return ok ? 0 : tools::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("lsregister", kUsage, argc, argv, run); }
