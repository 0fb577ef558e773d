#pragma once
// Where the builder finds each command-line tool and its own resources.
// On macOS the system's tools at their fixed paths; elsewhere Nimbrel's
// stand-ins in Nimbrel.app/Contents/Resources/tools, which accept the same
// command lines. Tests swap the whole table for recording fakes.

#include <filesystem>
#include <optional>
#include <string>

namespace builder {

struct ToolPaths {
  std::filesystem::path iconutil;
  std::filesystem::path xattr;
  std::filesystem::path codesign;
  std::filesystem::path ditto;
  std::filesystem::path xcrun;
  std::filesystem::path lsregister;

  // The platform's own tool where the system is macOS and the tool is there,
  // else the stand-in of that name in `standInFolder`.
  static ToolPaths standard(const std::filesystem::path& standInFolder);
  // Every tool by its own name inside one folder.
  static ToolPaths inFolder(const std::filesystem::path& folder);
};

// Everything a build reads from outside the request: Nimbrel's resources
// (the template "Runlet.app", the image "bgtemplate"), the tools, and the
// folder for temporary files.
struct BuildEnvironment {
  std::optional<std::filesystem::path> resources;  // nothing when Nimbrel's bundle is not found
  ToolPaths tools;
  std::filesystem::path temporaryFolder;

  // From the running program's bundle and the user's temporary folder.
  static BuildEnvironment standard();

  std::optional<std::filesystem::path> templateBundle() const;
  // The image resource of that name (PNG, else SVG).
  std::optional<std::filesystem::path> image(const std::string& name) const;
};

}  // namespace builder
