#pragma once
// Who a generated app is to the desktop: its application id (so several
// generated apps run side by side) and the folders of its web data.

#include <filesystem>
#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kTemplateIdentifier = "co.corvan.runlet";

// The bundle identifier made valid for GApplication: letters, digits, "_" and
// "-" in dot-separated elements that do not start with a digit. Other bytes
// (non-ASCII letters of the app's name) become "_" and two hex digits, so
// distinct identifiers stay distinct.
std::string applicationId(std::string_view bundleIdentifier);

// Cookies, local storage and caches of one app, apart from every other
// program's: <data home>/<id> and <cache home>/<id>.
struct StorageFolders {
  std::filesystem::path data;
  std::filesystem::path cache;
};
StorageFolders storageFolders(std::string_view applicationId);

}  // namespace runlet
