#include "platform/bundle.hpp"

#include <cstdlib>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

Bundle::Bundle(fs::path bundlePath) : path_(std::move(bundlePath)) {}

std::optional<fs::path> bundlePathForExecutable(const fs::path& executable) {
  fs::path macos = executable.parent_path();
  fs::path contents = macos.parent_path();
  if (macos.filename() != "MacOS" || contents.filename() != "Contents") return std::nullopt;
  return contents.parent_path();
}

std::optional<Bundle> Bundle::main() {
  if (const char* forced = std::getenv("NIMBREL_MAIN_BUNDLE"); forced && *forced) return Bundle(forced);
  std::error_code ec;
  // Not canonical(): a generated app's executable may be reached through a
  // symlink (build/nimbrel), and the link's target is what lives in the bundle.
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  auto bundle = bundlePathForExecutable(exe);
  if (!bundle) return std::nullopt;
  return Bundle(*bundle);
}

std::optional<fs::path> Bundle::pathForResource(const std::string& name, const std::string& type) const {
  fs::path candidate = resourcesPath() / (type.empty() ? name : name + "." + type);
  std::error_code ec;
  if (!fs::exists(candidate, ec)) return std::nullopt;
  return candidate;
}

std::optional<fs::path> imageResourceIn(const fs::path& resources, const std::string& name) {
  for (const char* ext : {".png", ".svg"}) {
    fs::path candidate = resources / (name + ext);
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

std::optional<fs::path> Bundle::pathForImageResource(const std::string& name) const {
  return imageResourceIn(resourcesPath(), name);
}

plist::Dictionary Bundle::infoDictionary() const {
  auto value = plist::readFile(infoPlistPath());
  if (!value) return {};
  if (auto* dict = value->get<plist::Dictionary>()) return *dict;
  return {};
}

std::optional<std::string> Bundle::identifier() const {
  return plist::lookup<std::string>(infoDictionary(), "CFBundleIdentifier");
}

}  // namespace platform
