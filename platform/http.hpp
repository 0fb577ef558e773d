#pragma once
// Blocking HTTP over libcurl, for worker threads. One call, one request.
// Only http: and https: URLs are fetched, also across redirects. No header is
// sent unless the caller gives it (no default User-Agent).

#include <gio/gio.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gobject_ptr.hpp"

namespace platform {

struct HttpRequest {
  std::string method = "GET";  // "GET" or "POST"
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;  // sent as given, in order
  std::string body;                                          // for POST
  double timeoutSeconds = 60;  // whole request, name lookup included; 0: none
  bool followRedirects = true;
  std::size_t maxBodyBytes = 0;  // a longer body fails the request; 0: no limit
  GRef<GCancellable> cancellable;  // cancelled: the transfer stops within about a second
};

struct HttpResponse {
  long status = 0;                  // 0 when no response arrived
  std::optional<std::string> body;  // whatever the status; nothing when the transfer failed
  std::string error;                // transport error text; empty when a response arrived
  bool transportFailed() const { return status == 0; }
};

HttpResponse performHttp(const HttpRequest& request);

}  // namespace platform
