#pragma once
// Test material for the tools: PNG images of a given size, icon files and
// application bundles laid out as the builder makes them.

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/image.hpp"
#include "platform/plist.hpp"
#include "tests/support/image_pixels.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/common/icns.hpp"

namespace tools_test {

inline std::vector<std::uint8_t> pngOfSize(int width, int height = 0) {
  return testing_support::filledImage(width, height ? height : width, 0.2, 0.4, 0.8).pngData();
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  testing_support::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// An icon file holding every slot of a full icon set.
inline std::vector<std::uint8_t> fullIconFile() {
  std::vector<tools::icns::Element> elements;
  for (const auto& slot : tools::icns::iconSetSlots())
    elements.push_back({std::string(slot.type), pngOfSize(static_cast<int>(slot.pixels))});
  return tools::icns::encode(elements);
}

struct BundleLayout {
  std::string identifier = "co.corvan.nimbrel.my-app-0a1b2c";
  std::string displayName = "My App";
  std::string executable = "My App";
  bool withIcon = true;
};

// A bundle whose executable is a shell script that writes a marker file.
inline std::filesystem::path makeBundle(const std::filesystem::path& path, const BundleLayout& layout = {}) {
  platform::plist::Dictionary info{
      {"CFBundleIdentifier", layout.identifier},
      {"CFBundleExecutable", layout.executable},
      {"CFBundleName", "Runlet"},
      {"CFBundleIconFile", "AppIcon"},
  };
  if (!layout.displayName.empty()) info["CFBundleDisplayName"] = layout.displayName;
  testing_support::writeFile(path / "Contents/Info.plist", platform::plist::toXML(info));
  std::filesystem::path exe = path / "Contents/MacOS" / layout.executable;
  // Found through its real path, as a program finds its bundle through /proc/self/exe.
  testing_support::writeFile(exe, "#!/bin/sh\necho launched > \"$(dirname \"$(readlink -f \"$0\")\")/../launched\"\n");
  ::chmod(exe.c_str(), 0755);
  if (layout.withIcon) writeBytes(path / "Contents/Resources/AppIcon.icns", fullIconFile());
  return path;
}

}  // namespace tools_test
