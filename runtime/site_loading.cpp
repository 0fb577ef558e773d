#include "runtime/site_loading.hpp"

#include <glib.h>

#include "runtime/local_site.hpp"

namespace runlet {

namespace {

constexpr std::string_view kErrorHead =
    "<!doctype html><html><head><meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<style>\n"
    "  html,body{height:100%;margin:0}\n"
    "  body{display:flex;align-items:center;justify-content:center;\n"
    "       font:-apple-system-body,system-ui,sans-serif;\n"
    "       background:#1c1c1e;color:#e5e5ea;text-align:center;padding:2rem}\n"
    "  .box{max-width:28rem}\n"
    "  h1{font-size:1.1rem;font-weight:600;margin:0 0 .5rem}\n"
    "  p{opacity:.7;line-height:1.5;margin:0}\n"
    "</style></head><body><div class=\"box\">\n"
    "<h1>Can't load this page</h1><p>";
constexpr std::string_view kErrorTail = "</p>\n</div></body></html>";

}  // namespace

std::optional<platform::Url> normalizedURL(std::string_view text) {
  return platform::Url::fromUserText(text);
}

std::string desktopSafariUserAgent(OSVersion v) {
  return "Mozilla/5.0 (Macintosh; Intel Mac OS X " + std::to_string(v.major) + "_" + std::to_string(v.minor) + "_" +
         std::to_string(v.patch) + ") AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.0 Safari/605.1.15";
}

std::string errorPageHTML(std::string_view message) {
  std::string page(kErrorHead);
  for (char c : message) {
    if (c == '&') {
      page += "&amp;";
    } else if (c == '<') {
      page += "&lt;";
    } else {
      page += c;
    }
  }
  page += kErrorTail;
  return page;
}

LoadPlan planRemoteLoad(std::string_view address) {
  auto url = normalizedURL(address);
  if (!url) return LoadPlan::error(kNoValidAddress);
  return {LoadPlan::Kind::remote, url->string(), {}, {}};
}

LoadPlan planLocalSiteLoad(const AppConfig& config, const std::optional<std::filesystem::path>& resourcesDir) {
  if (!resourcesDir) return LoadPlan::error(kNoBundledWebsite);
  std::filesystem::path siteRoot = *resourcesDir / "Site";
  // A start page that would lie outside the site could never be served, so it counts as missing.
  auto start = resolveSitePath(siteRoot, config.indexFile);
  std::error_code ec;
  if (!start || !std::filesystem::is_regular_file(*start, ec)) {
    return LoadPlan::error(std::string(kMissingStartPagePrefix) + config.indexFile + ".");
  }
  return {LoadPlan::Kind::local, siteURL(config.indexFile), {}, siteRoot};
}

}  // namespace runlet
