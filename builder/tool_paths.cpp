#include "builder/tool_paths.hpp"

#include <string>
#include <system_error>

#include "platform/bundle.hpp"

namespace builder {

namespace fs = std::filesystem;

namespace {

bool isPresent(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// A marker every macOS system has; Linux may well have a /usr/bin/xattr of
// its own that speaks a different language, so the tool path alone is no proof.
bool isMacOS() { return isPresent("/System/Library/CoreServices/SystemVersion.plist"); }

fs::path choose(const fs::path& systemPath, const fs::path& standIn, bool macOS) {
  return macOS && isPresent(systemPath) ? systemPath : standIn;
}

}  // namespace

ToolPaths ToolPaths::standard(const fs::path& standInFolder) {
  const bool macOS = isMacOS();
  ToolPaths stand = inFolder(standInFolder);
  return {
      choose("/usr/bin/iconutil", stand.iconutil, macOS),
      choose("/usr/bin/xattr", stand.xattr, macOS),
      choose("/usr/bin/codesign", stand.codesign, macOS),
      choose("/usr/bin/ditto", stand.ditto, macOS),
      choose("/usr/bin/xcrun", stand.xcrun, macOS),
      choose("/System/Library/Frameworks/CoreServices.framework/Frameworks/LaunchServices.framework/Support/"
             "lsregister",
             stand.lsregister, macOS),
  };
}

ToolPaths ToolPaths::inFolder(const fs::path& folder) {
  return {folder / "iconutil", folder / "xattr", folder / "codesign",
          folder / "ditto",    folder / "xcrun", folder / "lsregister"};
}

BuildEnvironment BuildEnvironment::standard() {
  BuildEnvironment env;
  if (auto bundle = platform::Bundle::main()) env.resources = bundle->resourcesPath();
  env.tools = ToolPaths::standard(env.resources ? *env.resources / "tools" : fs::path("/nonexistent/tools"));
  std::error_code ec;
  env.temporaryFolder = fs::temp_directory_path(ec);
  if (ec) env.temporaryFolder = "/tmp";
  return env;
}

std::optional<fs::path> BuildEnvironment::templateBundle() const {
  if (!resources) return std::nullopt;
  fs::path candidate = *resources / "Runlet.app";
  std::error_code ec;
  if (!fs::is_directory(candidate, ec)) return std::nullopt;
  // The copy must carry the template's files, not a link to it.
  fs::path resolved = fs::canonical(candidate, ec);
  return ec ? candidate : resolved;
}

std::optional<fs::path> BuildEnvironment::image(const std::string& name) const {
  if (!resources) return std::nullopt;
  return platform::imageResourceIn(*resources, name);
}

}  // namespace builder
