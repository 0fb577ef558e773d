#include "frontend/cli_options.hpp"

#include <system_error>

namespace frontend {

namespace fs = std::filesystem;

void addBuildOptions(CLI::App& command, BuildOptions& options) {
  auto* url = command.add_option("--url", options.url, "Web address the app shows (used as typed)");
  auto* folder = command.add_option("--folder", options.folder, "Folder holding a static site to bundle");
  url->excludes(folder);
  command.add_flag("--fetch-icon", options.fetchIcon,
                   "Use the website's own icon when one is found (else --icon or the default)")
      ->needs(url);
  command.add_option("--name", options.name, "Name of the app, used exactly as given")->required();
  command.add_option("--out", options.out, "Folder to save NAME.app in (default: the current folder)");
  command.add_option("--icon", options.icon, "Picture for the middle of the icon (PNG, JPEG, SVG, ICO...)");
  command.add_option("--color", options.color, "Colour of the icon's background shape, #RRGGBB (default white)");
  command.add_flag("--no-title-bar", options.noTitleBar, "Let the page run under a hidden title bar");
  auto* identity = command.add_option("--developer-id", options.developerID, "Sign with this identity");
  command.add_option("--notary-profile", options.notaryProfile, "Notarize with this stored profile")->needs(identity);
  command.add_flag("--replace", options.replace, "Replace an existing NAME.app without asking");
}

std::optional<platform::Color> parseColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  auto hex = [&](size_t at) -> int {
    int value = 0;
    for (size_t i = at; i < at + 2; ++i) {
      char c = text[i];
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0) return -1;
      value = value * 16 + digit;
    }
    return value;
  };
  int r = hex(1), g = hex(3), b = hex(5);
  if (r < 0 || g < 0 || b < 0) return std::nullopt;
  return platform::Color{r / 255.0, g / 255.0, b / 255.0, 1.0};
}

PreparedBuild prepareBuild(const BuildOptions& options, const std::optional<fs::path>& defaultIcon,
                           const BuildDefaults& defaults) {
  PreparedBuild prepared;
  builder::AppGenerator& request = prepared.request;
  std::error_code ec;

  if (options.url) {
    if (options.url->find_first_not_of(" \t\r\n") == std::string::npos) throw BadInput("The address is empty.");
    request.source = builder::SiteSource::url(*options.url);
  } else if (options.folder) {
    if (!fs::is_directory(*options.folder, ec)) {
      throw BadInput("The site folder \u201C" + options.folder->string() + "\u201D does not exist.");
    }
    request.source = builder::SiteSource::localFolder(fs::absolute(*options.folder));
  } else {
    throw BadInput("Give the site with --url ADDRESS or --folder DIR.");
  }

  if (options.name.empty()) throw BadInput("The name is empty.");
  if (auto problem = builder::nameProblem(options.name)) throw BadInput(*problem);
  request.name = options.name;

  if (!fs::is_directory(options.out, ec)) {
    throw BadInput("The output folder \u201C" + options.out.string() + "\u201D does not exist.");
  }
  // "." and a trailing "/" say nothing about the folder; the printed path reads better without them.
  prepared.folder = fs::absolute(options.out);
  while (prepared.folder.has_relative_path() &&
         (prepared.folder.filename() == "." || prepared.folder.filename().empty())) {
    prepared.folder = prepared.folder.parent_path();
  }
  prepared.destination = builder::destinationFor(prepared.folder, request.name);
  if (auto problem = builder::missingFolderProblem(prepared.destination)) throw BadInput(*problem);

  auto color = parseColor(options.color);
  if (!color) throw BadInput("The colour \u201C" + options.color + "\u201D is not of the form #RRGGBB.");
  request.color = *color;

  if (options.icon) {
    request.icon = platform::Image::load(*options.icon);
    if (!request.icon) throw BadInput("Could not read a picture from \u201C" + options.icon->string() + "\u201D.");
  } else if (defaultIcon) {
    request.icon = platform::Image::load(*defaultIcon);
  }

  request.fullContent = options.noTitleBar || defaults.fullContent;
  request.signing = defaults.signing;
  if (options.developerID) {
    if (options.developerID->empty()) throw BadInput("The signing identity is empty.");
    request.signing = builder::SigningMode::developerID(*options.developerID, options.notaryProfile);
  }
  return prepared;
}

}  // namespace frontend
