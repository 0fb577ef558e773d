#include "iconsource/icon_download.hpp"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/dispatch.hpp"
#include "platform/http.hpp"

namespace iconsource {
namespace {

// Shared between the waiting search and the transfer: whichever ends last frees it.
struct TransferSlot {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::optional<std::string> body;
};

}  // namespace

std::optional<std::string> awaitTransfer(std::function<std::optional<std::string>()> transfer,
                                         std::chrono::milliseconds wait) {
  auto slot = std::make_shared<TransferSlot>();
  platform::postToBackground([slot, transfer = std::move(transfer)] {
    std::optional<std::string> body;
    try {
      body = transfer();
    } catch (...) {
      body.reset();
    }
    std::lock_guard lock(slot->mutex);
    slot->body = std::move(body);
    slot->done = true;
    slot->finished.notify_all();
  });
  std::unique_lock lock(slot->mutex);
  if (!slot->finished.wait_for(lock, wait, [&] { return slot->done; })) return std::nullopt;
  return std::move(slot->body);
}

std::optional<std::string> fetchData(const platform::Url& url, double timeoutSeconds) {
  platform::HttpRequest request;
  request.url = url.string();
  request.headers = {{"User-Agent", std::string(desktopUserAgent)}};
  request.timeoutSeconds = timeoutSeconds;
  request.followRedirects = true;
  request.maxBodyBytes = maxDownloadBytes;
  double waitSeconds = std::max(0.0, timeoutSeconds) + waitMarginSeconds;
  auto wait = std::chrono::milliseconds(std::lround(waitSeconds * 1000));
  return awaitTransfer([request] { return platform::performHttp(request).body; }, wait);
}

}  // namespace iconsource
