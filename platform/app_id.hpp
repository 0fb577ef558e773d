#pragma once
// The application id a generated app runs under, derived from its bundle
// identifier. Runlet registers its GApplication under this id, and the
// registration tool names the app's .desktop file and StartupWMClass after
// it, so the desktop matches the running window to its launcher. Both sides
// must call this one function.

#include <string>
#include <string_view>

namespace platform {

// The bundle identifier itself when GLib accepts it as an application id;
// otherwise a repaired form: elements split at '.', empty ones dropped, each
// byte outside [A-Za-z0-9_-] replaced by '_', an element starting with a digit
// prefixed with '_', "app." put in front when fewer than two elements remain,
// and the result cut to 255 bytes. The same identifier always gives the same id.
std::string applicationIdForBundleIdentifier(std::string_view bundleIdentifier);

}  // namespace platform
