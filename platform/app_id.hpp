#pragma once
// The application id a generated app runs under, derived from its bundle
// identifier. Runlet registers its GApplication under this id and names its
// web-data folders by the same rule; the registration tool names the app's
// .desktop file, its icons and StartupWMClass after it, so the desktop
// matches the running window to its launcher. Every side calls this one
// function.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The Info.plist key under which the builder records what a generated app's
// web data (cookies, storage, caches) is kept under. Stable across rebuilds
// of the same name and source, unlike the bundle identifier.
inline constexpr const char* storageKeyInfoKey = "NimbrelStorageKey";

// Longest id: "<id>.desktop" must still fit a file name (255 bytes).
inline constexpr std::size_t maxApplicationIdLength = 255 - 8;

// The identifier itself when GLib accepts it as an application id and it is
// at most maxApplicationIdLength long. Otherwise a repaired form: elements
// split at '.', empty ones dropped; every byte outside [A-Za-z0-9_-] written
// as "_" and two hex digits (so "café" and "cafè" stay apart); an element
// starting with a digit prefixed with '_'; "app." put in front of a single
// element ("app.unnamed" for none). A result still too long is cut and ends
// in "-" and 16 hex digits of a SHA-256 of the whole identifier, so ids stay
// unique. The same identifier always gives the same id.
std::string applicationIdForBundleIdentifier(std::string_view bundleIdentifier);

}  // namespace platform
