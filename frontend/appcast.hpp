#pragma once
// An appcast: the RSS 2.0 feed that announces a program's releases. Each item
// names its build number in `sparkle:version` (an element, or an attribute of
// its <enclosure>), optionally a display version in
// `sparkle:shortVersionString`, and where to get it: <link>, the enclosure's
// url, or `sparkle:releaseNotesLink`.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace frontend {

inline constexpr const char* appcastNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

struct AppcastItem {
  std::string title;
  std::string version;
  std::optional<std::string> shortVersionString;
  std::optional<std::string> link;
  std::optional<std::string> enclosureURL;
  std::optional<std::string> releaseNotesLink;

  std::string displayVersion() const { return shortVersionString.value_or(version); }
};

class AppcastError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The items that carry a version, in feed order. Throws AppcastError for text
// that is not well-formed XML with an <rss> root.
std::vector<AppcastItem> parseAppcast(std::string_view xml);

// The newest item newer than `installedVersion`, if there is one.
std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const std::string& installedVersion);

// The page a person goes to for the item: its link, else its enclosure, else
// its release notes; only http and https addresses count.
std::optional<std::string> downloadPage(const AppcastItem& item);

}  // namespace frontend
