#pragma once
// Registering a bundle with the desktop: a launcher in
// <data>/applications/<app id>.desktop and the bundle's icon in the user's
// hicolor theme, <data>/icons/hicolor/<n>x<n>/apps/<app id>.png, one file per
// size the icon file holds. A bundle's launchers are found again by the path
// they record (kBundleKey), so a second registration of the same path replaces
// the first even when the identifier changed in between.
//
// GLib looks for an entry's program before it turns "%%" back into "%", so it
// ignores a launcher whose executable path holds a '%' (GNOME would not list
// the app). Such a bundle is started through a link of ours instead,
// <data>/nimbrel/launchers/<app id>, whose path has none.

#include <filesystem>
#include <string>

#include "tools/lsregister/bundle_info.hpp"

namespace lsregister {

struct Locations {
  std::filesystem::path applications;
  std::filesystem::path hicolor;
  std::filesystem::path launchers;
  // The XDG layout below one data folder ($XDG_DATA_HOME or ~/.local/share).
  static Locations below(const std::filesystem::path& dataHome);
};

// Installs the icon and launcher, then removes what an earlier registration of
// the same path left. Throws std::runtime_error; the old registration is only
// touched once the new one is in place.
void registerBundle(const BundleInfo& bundle, const Locations& locations);

// Removes every launcher made for the bundle at this path, with its icons.
void unregisterBundle(const std::filesystem::path& bundlePath, const Locations& locations);

}  // namespace lsregister
