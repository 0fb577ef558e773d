#include "iconsource/website_icon_fetcher.hpp"

#include <glib.h>

#include <algorithm>
#include <memory>
#include <set>
#include <span>
#include <utility>

#include "iconsource/icon_download.hpp"
#include "iconsource/icon_image.hpp"
#include "iconsource/icon_links.hpp"
#include "platform/dispatch.hpp"
#include "platform/work.hpp"

namespace iconsource {
namespace {

using platform::Image;

// A request given less time than this would hardly ever be answered.
constexpr double minimumRequestSeconds = 0.5;

double secondsLeft(std::chrono::steady_clock::time_point deadline) {
  return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
}
using platform::Url;

// Valid UTF-8, where a NUL byte counts as a character like any other.
bool isUtf8(std::string_view bytes) {
  const char* end = nullptr;
  while (!bytes.empty()) {
    if (g_utf8_validate_len(bytes.data(), bytes.size(), &end)) return true;
    std::size_t valid = end - bytes.data();
    if (bytes[valid] != '\0') return false;
    bytes.remove_prefix(valid + 1);
  }
  return true;
}

// An IPv6 literal needs its brackets back once the port is dropped.
std::string hostForUrl(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

void appendIfParses(std::vector<Url>& list, const std::string& text) {
  if (auto url = Url::parse(text)) list.push_back(std::move(*url));
}

}  // namespace

std::string defaultFaviconServicePrefix() {
  std::string prefix = NIMBREL_FAVICON_SERVICE;
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  return prefix;
}

std::optional<Url> normalizedWebsiteURL(std::string_view text) {
  return Url::fromUserText(text);
}

WebsiteIconFetcher::WebsiteIconFetcher(IconSearchOptions options) : options_(std::move(options)) {}

std::optional<std::string> WebsiteIconFetcher::download(const Url& url, std::chrono::steady_clock::time_point deadline,
                                                        GCancellable* cancellable) const {
  // A request waits its timeout plus the margin; near the deadline the
  // timeout shrinks, and a request with too little time left is not made.
  const double timeout = std::min(requestTimeoutSeconds, secondsLeft(deadline) - waitMarginSeconds);
  if (timeout < minimumRequestSeconds || g_cancellable_is_cancelled(cancellable)) return std::nullopt;
  if (options_.fetch) return options_.fetch(url, timeout);
  return fetchData(url, timeout, cancellable);
}

std::vector<Url> WebsiteIconFetcher::candidates(const Url& pageUrl, const std::string& host,
                                                const std::optional<std::string>& pageBody) const {
  std::vector<Url> list;
  if (pageBody && isUtf8(*pageBody)) list = parseIconLinks(*pageBody, pageUrl);
  const std::string scheme = pageUrl.hasScheme() ? pageUrl.scheme() : "https";
  for (std::string_view path : wellKnownIconPaths) {
    appendIfParses(list, scheme + "://" + hostForUrl(host) + std::string(path));
  }
  // The host goes in as it is: the service is asked about exactly the site typed.
  appendIfParses(list, options_.faviconServicePrefix + "/s2/favicons?domain=" + host + "&sz=256");
  return list;
}

std::optional<Image> WebsiteIconFetcher::searchBestIcon(const Url& pageUrl, const std::string& host,
                                                        GCancellable* cancellable) const {
  const auto budget = std::chrono::duration<double>(options_.budgetSeconds);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(budget);
  const auto list = candidates(pageUrl, host, download(pageUrl, deadline, cancellable));
  std::set<std::string> seen;
  std::optional<Image> best;
  int bestScore = 0;
  for (const Url& candidate : list) {
    if (secondsLeft(deadline) < waitMarginSeconds + minimumRequestSeconds) break;
    if (g_cancellable_is_cancelled(cancellable)) break;
    if (!seen.insert(candidate.string()).second) continue;
    auto body = download(candidate, deadline, cancellable);
    if (!body) continue;
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(body->data()), body->size());
    auto picture = decodeIconImage(bytes);
    if (!picture || picture->width <= 0) continue;
    // The size the picture declares, not the bounded size it was decoded at.
    int score = std::max(picture->width, picture->height);
    if (score > bestScore) {
      best = std::move(picture->image);
      bestScore = score;
    }
    if (bestScore >= earlyStopScore) break;
  }
  return best;
}

void WebsiteIconFetcher::findBestIcon(const Url& pageUrl, const std::string& host, IconCompletion completion,
                                      GCancellable* cancellable) const {
  std::optional<Image> result;
  try {
    result = searchBestIcon(pageUrl, host, cancellable);
  } catch (...) {
    result.reset();  // a failed search is a search without an icon
  }
  platform::postToMain([completion = std::move(completion), result = std::move(result)]() mutable {
    completion(std::move(result));
  });
}

void WebsiteIconFetcher::fetchWebsiteIcon(std::string_view urlText, IconCompletion completion,
                                          GCancellable* cancellable) const {
  auto pageUrl = normalizedWebsiteURL(urlText);
  if (!pageUrl || pageUrl->host().empty()) {
    platform::postToMain([completion = std::move(completion)] { completion(std::nullopt); });
    return;
  }
  // The worker gets its own copy of the fetcher, so this one may go away.
  platform::postToBackground([fetcher = *this, pageUrl = *pageUrl, completion = std::move(completion),
                              work = platform::Work::begin(cancellable)]() mutable {
    fetcher.findBestIcon(pageUrl, pageUrl.host(), std::move(completion), work.cancellable());
  });
}

void fetchWebsiteIcon(std::string_view urlText, IconCompletion completion, GCancellable* cancellable) {
  WebsiteIconFetcher().fetchWebsiteIcon(urlText, std::move(completion), cancellable);
}

std::optional<Image> fetchWebsiteIconAndWait(std::string_view urlText) {
  auto state = std::make_shared<std::pair<bool, std::optional<Image>>>(false, std::nullopt);
  fetchWebsiteIcon(urlText, [state](std::optional<Image> image) {
    state->second = std::move(image);
    state->first = true;
  });
  platform::runMainLoopUntil([&] { return state->first; });
  return std::move(state->second);
}

}  // namespace iconsource
