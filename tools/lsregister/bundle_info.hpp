#pragma once
// What registering needs to know about an application bundle, from its
// Contents/Info.plist.

#include <filesystem>
#include <string>

namespace lsregister {

struct BundleInfo {
  std::filesystem::path path;        // absolute, links resolved: the key of its registration
  std::string identifier;            // CFBundleIdentifier
  std::string name;                  // CFBundleDisplayName, else CFBundleName, else the folder's name
  std::filesystem::path executable;  // Contents/MacOS/<CFBundleExecutable>
  std::filesystem::path iconFile;    // Contents/Resources/<CFBundleIconFile>.icns (may be missing)
};

// Throws std::runtime_error naming the bundle and what is wrong with it.
BundleInfo readBundleInfo(const std::filesystem::path& bundle);

}  // namespace lsregister
