#pragma once
// Blocking HTTP over libcurl, for worker threads. One call, one request.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct HttpRequest {
  std::string method = "GET";
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;  // sent as given, in order
  std::string body;                                          // for POST
  double timeoutSeconds = 60;
  bool followRedirects = true;
};

struct HttpResponse {
  long status = 0;                  // 0 when no response arrived
  std::optional<std::string> body;  // whatever arrived, whatever the status
  std::string error;                // transport error text; empty when a response arrived
  bool transportFailed() const { return status == 0; }
};

HttpResponse performHttp(const HttpRequest& request);

}  // namespace platform
