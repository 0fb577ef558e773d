// Downloads land in the Downloads folder under a free name and are shown in
// the file manager when done.
#include "runtime/app_delegate.hpp"
#include "runtime/callback_guard.hpp"
#include "runtime/downloads.hpp"

namespace runlet {

namespace {
constexpr const char* kAdoptedKey = "runlet-adopted";
}  // namespace

std::filesystem::path AppDelegate::downloadsFolder() const {
  return options_.downloadsFolder.empty() ? runlet::downloadsFolder() : options_.downloadsFolder;
}

void AppDelegate::onDownloadStarted(WebKitNetworkSession*, WebKitDownload* download, gpointer self) {
  guarded([&] { static_cast<AppDelegate*>(self)->adoptDownload(download); });
}

// Downloads reach us both from the session and from our own requests; each
// is connected once.
void AppDelegate::adoptDownload(WebKitDownload* download) {
  if (!download || g_object_get_data(G_OBJECT(download), kAdoptedKey)) return;
  g_object_set_data(G_OBJECT(download), kAdoptedKey, GINT_TO_POINTER(1));
  runningDownloads_.push_back(platform::GRef<WebKitDownload>::retain(download));
  g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), this);
  g_signal_connect(download, "finished", G_CALLBACK(onDownloadFinished), this);
  g_signal_connect(download, "failed", G_CALLBACK(onDownloadFailed), this);
}

gboolean AppDelegate::onDecideDestination(WebKitDownload* download, char* suggestedName, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  bool decided = guarded(false, [&] {
    auto destination = downloadDestination(self->downloadsFolder(), suggestedName ? suggestedName : "");
    self->downloadDestinations_[download] = destination;
    webkit_download_set_destination(download, destination.c_str());
    return true;
  });
  // Never the engine's own choice of folder: a download without a place of ours fails.
  if (!decided) webkit_download_cancel(download);
  return TRUE;
}

namespace {

bool wasCutShort(WebKitDownload* download) {
  WebKitURIResponse* response = webkit_download_get_response(download);
  if (!response) return false;
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  bool encoded = headers && soup_message_headers_get_one(headers, "Content-Encoding");
  return isTruncatedDownload(webkit_uri_response_get_content_length(response),
                             webkit_download_get_received_data_length(download), encoded);
}

}  // namespace

void AppDelegate::onDownloadFinished(WebKitDownload* download, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  g_signal_handlers_disconnect_by_data(download, self);
  guarded([&] { self->finishDownload(download); });
}

void AppDelegate::finishDownload(WebKitDownload* download) {
  // A failed download has already been forgotten; the engine reports
  // "finished" after "failed" too.
  auto node = downloadDestinations_.extract(download);
  if (node && wasCutShort(download)) {
    // Never shown as a finished file: what arrived is not the file.
    std::error_code ec;
    std::filesystem::remove(node.mapped(), ec);
    workspace().alertSound();
  } else if (node) {
    workspace().revealFile(node.mapped());
  }
  std::erase_if(runningDownloads_, [&](const auto& d) { return d.get() == download; });
}

void AppDelegate::onDownloadFailed(WebKitDownload* download, GError*, gpointer data) {
  auto* self = static_cast<AppDelegate*>(data);
  self->downloadDestinations_.erase(download);
  guarded([&] { self->workspace().alertSound(); });
}

}  // namespace runlet
