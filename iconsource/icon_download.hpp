#pragma once
// Downloads of the icon search: one GET at a time, each bounded in time.

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/url.hpp"

namespace iconsource {

// Sent as the User-Agent of every request of the search, and nothing else.
inline constexpr std::string_view desktopUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Safari/605.1.15";

inline constexpr double requestTimeoutSeconds = 6;
// How much longer than its own timeout the search waits for a request.
inline constexpr double waitMarginSeconds = 1;

// Bodies larger than this are dropped: no page or icon needs them.
inline constexpr std::size_t maxDownloadBytes = 32u << 20;

// The body of a GET of `url` whatever the HTTP status, or nothing on a
// transport failure or when no answer came within timeout + margin, and at
// once when `cancellable` is cancelled. Blocks.
std::optional<std::string> fetchData(const platform::Url& url, double timeoutSeconds,
                                     GCancellable* cancellable = nullptr);

// Runs `transfer` on a worker of its own and waits for it at most `wait`, or
// until `cancellable` is cancelled. When the wait ends early, the transfer is
// left to finish on its own (as Work of that cancellable) and its result is
// thrown away.
std::optional<std::string> awaitTransfer(std::function<std::optional<std::string>()> transfer,
                                         std::chrono::milliseconds wait, GCancellable* cancellable = nullptr);

}  // namespace iconsource
