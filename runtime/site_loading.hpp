#pragma once
// What a generated app shows first: its web address, its bundled start page,
// or the error page with a fixed message.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/url.hpp"
#include "runtime/app_config.hpp"

namespace runlet {

inline constexpr std::string_view kNoValidAddress = "This app has no valid web address configured.";
inline constexpr std::string_view kNoBundledWebsite = "Could not locate the bundled website.";
inline constexpr std::string_view kMissingStartPagePrefix = "The bundled website is missing ";

// Trims blanks and line breaks; text without a scheme gets "https://" in front.
std::optional<platform::Url> normalizedURL(std::string_view text);

struct OSVersion {
  int major = 0;
  int minor = 0;
  int patch = 0;
};

// Sites choose their desktop layout from this exact form. The OS part is a
// fixed macOS-like version: sites key on it, and that browser itself has
// reported this frozen version on every later release, so it is the value
// servers expect and it never reveals the real system.
inline constexpr OSVersion kReportedOSVersion{10, 15, 7};
std::string desktopSafariUserAgent(OSVersion version = kReportedOSVersion);

// The whole error page: fixed head, the message with "&" and "<" escaped, fixed tail.
std::string errorPageHTML(std::string_view message);

struct LoadPlan {
  enum class Kind { remote, local, error };
  Kind kind = Kind::error;
  std::string uri;           // remote: the address; local: the start page on the site scheme
  std::string errorMessage;  // error: the page's message
  std::filesystem::path siteRoot;

  static LoadPlan error(std::string_view message) { return {Kind::error, {}, std::string(message), {}}; }
};

// What loadRemote loads: the configured address, normalised, or the error page.
LoadPlan planRemoteLoad(std::string_view address);
// What loadLocalSite loads: the start page below the resources folder's
// "Site", or the error page.
LoadPlan planLocalSiteLoad(const AppConfig& config, const std::optional<std::filesystem::path>& resourcesDir);

}  // namespace runlet
