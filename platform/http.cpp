#include "platform/http.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace platform {
namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  std::string body;
  std::size_t maxBodyBytes = 0;
  bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* userData) {
  auto* transfer = static_cast<Transfer*>(userData);
  const size_t length = size * count;
  if (transfer->maxBodyBytes && transfer->body.size() + length > transfer->maxBodyBytes) {
    transfer->tooLarge = true;
    return 0;  // makes libcurl abort the transfer
  }
  transfer->body.append(data, length);
  return length;
}

int stopWhenCancelled(void* cancellable, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return g_cancellable_is_cancelled(static_cast<GCancellable*>(cancellable)) ? 1 : 0;  // non-zero aborts
}

long timeoutMilliseconds(double seconds) {
  if (!(seconds > 0)) return 0;  // libcurl: 0 means no timeout
  return std::max(1L, std::lround(std::min(seconds, 86400.0 * 365) * 1000));
}

}  // namespace

HttpResponse performHttp(const HttpRequest& request) {
  initialiseCurlOnce();
  HttpResponse response;
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    response.error = "Could not start an HTTP request";
    return response;
  }
  CURL* handle = curl.get();
  Transfer transfer;
  transfer.maxBodyBytes = request.maxBodyBytes;
  char errorText[CURL_ERROR_SIZE] = {};

  // Signals are no good in a threaded program; the threaded resolver keeps
  // name lookups within the timeout without them.
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  // Only the web: a page must not steer a request to file:, ftp: or the like,
  // neither directly nor by redirection.
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 16L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeoutMilliseconds(request.timeoutSeconds));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  if (request.cancellable) {
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, stopWhenCancelled);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, request.cancellable.get());
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  }

  if (request.method == "GET") {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  } else if (request.method == "POST") {
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
  } else {
    response.error = "Unsupported HTTP method " + request.method;
    return response;
  }

  curl_slist* list = nullptr;
  for (const auto& [name, value] : request.headers) {
    // "Name;" is libcurl's way to send a header with an empty value.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      response.error = "Out of memory while preparing HTTP headers";
      return response;
    }
    list = grown;
  }
  // Without this, libcurl holds back a large POST body waiting for a
  // "100 Continue" that many servers never send.
  if (request.method == "POST") list = curl_slist_append(list, "Expect:");
  std::unique_ptr<curl_slist, SlistDeleter> headerList(list);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());

  CURLcode code = curl_easy_perform(handle);
  if (code != CURLE_OK) {
    if (transfer.tooLarge) {
      response.error = "Response of " + request.url + " is larger than " + std::to_string(request.maxBodyBytes) +
                       " bytes";
    } else {
      response.error = errorText[0] ? errorText : curl_easy_strerror(code);
    }
    return response;
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status == 0) {
    response.error = "No HTTP response from " + request.url;
    return response;
  }
  response.status = status;
  response.body = std::move(transfer.body);
  return response;
}

}  // namespace platform
