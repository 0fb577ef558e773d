#pragma once
// Finds and downloads a website's own icon: the page's icon links, then three
// well-known locations on its host, then a favicon lookup service. Candidates
// are fetched one at a time; the picture declaring the largest size wins
// (decoded at most 1024 pixels wide), one of 256 pixels or more ends the
// search at once, and so does the search's time budget.

#include <gio/gio.h>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.hpp"
#include "platform/url.hpp"

namespace iconsource {

inline constexpr std::array<std::string_view, 3> wellKnownIconPaths = {
    "/apple-touch-icon.png",
    "/apple-touch-icon-precomposed.png",
    "/favicon.ico",
};

inline constexpr int earlyStopScore = 256;

// However many links a page lists and however slowly its server answers,
// one search ends after about this long with the best picture found so far.
inline constexpr double searchBudgetSeconds = 30;

using IconCompletion = std::function<void(std::optional<platform::Image>)>;
// One download of the search: the body, or nothing. Blocks.
using IconFetch = std::function<std::optional<std::string>(const platform::Url& url, double timeoutSeconds)>;

// Scheme and host of the favicon lookup service, as set when Nimbrel was built.
std::string defaultFaviconServicePrefix();

struct IconSearchOptions {
  std::string faviconServicePrefix = defaultFaviconServicePrefix();
  IconFetch fetch;  // empty: fetchData
  double budgetSeconds = searchBudgetSeconds;
};

// The URL a typed text stands for: trimmed, and with "https://" put in front
// when it has no scheme of its own. Nothing for blank or unparseable text.
// "host:8080" parses with "host" as its scheme and so has no host.
std::optional<platform::Url> normalizedWebsiteURL(std::string_view text);

class WebsiteIconFetcher {
 public:
  explicit WebsiteIconFetcher(IconSearchOptions options = {});

  // Call on the main thread. `completion` runs exactly once, later, on the
  // main thread, with the best icon or nothing. The search runs on a worker
  // and may outlive this object. Cancelling `cancellable` ends the search at
  // once with what it has found so far.
  void fetchWebsiteIcon(std::string_view urlText, IconCompletion completion,
                        GCancellable* cancellable = nullptr) const;

  // The whole search for `pageUrl` on the calling worker, then the completion
  // posted to the main thread.
  void findBestIcon(const platform::Url& pageUrl, const std::string& host, IconCompletion completion,
                    GCancellable* cancellable = nullptr) const;

  // The search itself, blocking, without posting anything.
  std::optional<platform::Image> searchBestIcon(const platform::Url& pageUrl, const std::string& host,
                                                GCancellable* cancellable = nullptr) const;

  // Every URL the search would try, in order, given the page's body.
  std::vector<platform::Url> candidates(const platform::Url& pageUrl, const std::string& host,
                                        const std::optional<std::string>& pageBody) const;

 private:
  // Nothing, without asking, once the deadline has passed; a request's
  // wait is shortened to end near it.
  std::optional<std::string> download(const platform::Url& url, std::chrono::steady_clock::time_point deadline,
                                      GCancellable* cancellable) const;

  IconSearchOptions options_;
};

// With the options Nimbrel was built with.
void fetchWebsiteIcon(std::string_view urlText, IconCompletion completion, GCancellable* cancellable = nullptr);

// For command-line use on the main thread: runs the main loop until the search
// has ended and returns its result.
std::optional<platform::Image> fetchWebsiteIconAndWait(std::string_view urlText);

}  // namespace iconsource
