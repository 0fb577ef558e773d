#pragma once
// A program's bundle, found from its own executable:
//   X.app/Contents/MacOS/<exe>  →  X.app/Contents/Resources
// Nimbrel and every generated app locate their resources this way.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/plist.hpp"

namespace platform {

class Bundle {
 public:
  // The bundle of a folder such as "X.app" (no checks are made).
  explicit Bundle(std::filesystem::path bundlePath);

  // The bundle of the running executable; nothing when the executable does
  // not sit in a Contents/MacOS folder. NIMBREL_MAIN_BUNDLE overrides it (tests).
  static std::optional<Bundle> main();

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path contentsPath() const { return path_ / "Contents"; }
  std::filesystem::path resourcesPath() const { return contentsPath() / "Resources"; }
  std::filesystem::path infoPlistPath() const { return contentsPath() / "Info.plist"; }

  // Path of resource "name.type" in the resources folder, when it exists.
  std::optional<std::filesystem::path> pathForResource(const std::string& name, const std::string& type) const;

  // An image resource by name: "name.png", else "name.svg".
  std::optional<std::filesystem::path> pathForImageResource(const std::string& name) const;

  // Contents/Info.plist as a dictionary (empty when missing or unreadable).
  plist::Dictionary infoDictionary() const;
  // CFBundleIdentifier, when the Info.plist holds one.
  std::optional<std::string> identifier() const;

 private:
  std::filesystem::path path_;
};

// "name.png", else "name.svg", in a resources folder.
std::optional<std::filesystem::path> imageResourceIn(const std::filesystem::path& resources, const std::string& name);

// The bundle that holds an executable path, if it is laid out as one.
std::optional<std::filesystem::path> bundlePathForExecutable(const std::filesystem::path& executable);

}  // namespace platform
