#pragma once
// Who a generated app is to the desktop: its application id (so several
// generated apps run side by side) and the folders of its web data.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/plist.hpp"

namespace runlet {

inline constexpr std::string_view kTemplateIdentifier = "co.corvan.runlet";

// The bundle identifier made a valid application id by the one rule the
// launcher uses too (platform::applicationIdForBundleIdentifier); the
// template's own id when there is no identifier.
std::string applicationId(std::string_view bundleIdentifier);

// What the app's web data is kept under: the storage key the builder wrote
// into Info.plist, which survives rebuilds of the same app; an app built
// before there was one keeps using its bundle identifier.
std::string storageKey(const platform::plist::Dictionary& info);

// Cookies, local storage and caches of one app, apart from every other
// program's: <data home>/<folder> and <cache home>/<folder>, the folder named
// by the application id rule applied to the storage key.
struct StorageFolders {
  std::filesystem::path data;
  std::filesystem::path cache;
};
StorageFolders storageFolders(std::string_view storageKey);

}  // namespace runlet
