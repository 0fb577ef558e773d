#include "iconsource/icon_download.hpp"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/dispatch.hpp"
#include "platform/http.hpp"
#include "platform/work.hpp"

namespace iconsource {
namespace {

// Shared between the waiting search and the transfer: whichever ends last frees it.
struct TransferSlot {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::optional<std::string> body;
};

void wakeWaiter(GCancellable*, gpointer data) {
  auto* slot = static_cast<TransferSlot*>(data);
  std::lock_guard lock(slot->mutex);
  slot->finished.notify_all();
}

}  // namespace

std::optional<std::string> awaitTransfer(std::function<std::optional<std::string>()> transfer,
                                         std::chrono::milliseconds wait, GCancellable* cancellable) {
  auto slot = std::make_shared<TransferSlot>();
  platform::postToBackground([slot, transfer = std::move(transfer), work = platform::Work::begin(cancellable)] {
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
  const gulong handler =
      cancellable ? g_cancellable_connect(cancellable, G_CALLBACK(wakeWaiter), slot.get(), nullptr) : 0;
  std::optional<std::string> body;
  {
    std::unique_lock lock(slot->mutex);
    slot->finished.wait_for(lock, wait, [&] { return slot->done || g_cancellable_is_cancelled(cancellable); });
    if (slot->done && !g_cancellable_is_cancelled(cancellable)) body = std::move(slot->body);
  }
  g_cancellable_disconnect(cancellable, handler);  // not under the lock: it waits for a running handler
  return body;
}

std::optional<std::string> fetchData(const platform::Url& url, double timeoutSeconds, GCancellable* cancellable) {
  platform::HttpRequest request;
  request.url = url.string();
  request.headers = {{"User-Agent", std::string(desktopUserAgent)}};
  request.timeoutSeconds = timeoutSeconds;
  request.followRedirects = true;
  request.maxBodyBytes = maxDownloadBytes;
  request.cancellable = platform::GRef<GCancellable>::retain(cancellable);
  double waitSeconds = std::max(0.0, timeoutSeconds) + waitMarginSeconds;
  auto wait = std::chrono::milliseconds(std::lround(waitSeconds * 1000));
  return awaitTransfer([request] { return platform::performHttp(request).body; }, wait, cancellable);
}

}  // namespace iconsource
