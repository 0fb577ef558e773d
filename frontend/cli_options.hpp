#pragma once
// The options of `nimbrel build` and their translation into a build request.
// Everything here is checked before a build starts, so bad input never
// touches the disk.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "builder/app_generator.hpp"
#include "platform/image.hpp"

namespace frontend {

struct BuildOptions {
  std::optional<std::string> url;
  std::optional<std::filesystem::path> folder;
  std::string name;
  std::filesystem::path out = ".";
  std::optional<std::filesystem::path> icon;
  std::string color = "#FFFFFF";
  bool noTitleBar = false;
  std::optional<std::string> developerID;
  std::optional<std::string> notaryProfile;
  bool replace = false;
  bool fetchIcon = false;
};

// What a build takes from the saved settings unless an option says otherwise.
struct BuildDefaults {
  builder::SigningMode signing = builder::SigningMode::adhoc();
  bool fullContent = false;
};

// Registers every option of the build command on `command`.
void addBuildOptions(CLI::App& command, BuildOptions& options);

// Input the command refuses before building: shown as it is, exit status 2.
class BadInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "#RRGGBB" (hex digits in either case) as an opaque colour.
std::optional<platform::Color> parseColor(std::string_view text);

struct PreparedBuild {
  builder::AppGenerator request;
  std::filesystem::path folder;       // absolute
  std::filesystem::path destination;  // folder + name + ".app"
};

// Checks the options and forms the request; throws BadInput. `defaultIcon`
// is the picture used when no --icon is given; --developer-id and
// --no-title-bar override `defaults` for this one build.
PreparedBuild prepareBuild(const BuildOptions& options, const std::optional<std::filesystem::path>& defaultIcon,
                           const BuildDefaults& defaults = {});

}  // namespace frontend
