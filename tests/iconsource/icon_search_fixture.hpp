#pragma once
// A website on a loopback server and a search pointed at it. Every download
// the search makes is logged with its full URL. Port-less URLs of 127.0.0.1
// (the well-known locations of a page on another port, or a page typed
// without a port) are sent to the same server, which stands in for the
// host's default port; anything not on 127.0.0.1 is answered with nothing, so
// no test reaches the network.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "iconsource/icon_download.hpp"
#include "iconsource/website_icon_fetcher.hpp"
#include "platform/dispatch.hpp"
#include "tests/support/image_pixels.hpp"
#include "tests/support/loopback_http_server.hpp"
#include "tests/support/main_queue.hpp"
#include "tests/support/picture_bytes.hpp"

namespace icon_search_testing {

struct FetchLog {
  std::mutex mutex;
  std::vector<std::string> urls;
};

class IconSearchTest : public ::testing::Test {
 protected:
  testing_support::LoopbackHttpServer site_;
  std::shared_ptr<FetchLog> fetchLog_ = std::make_shared<FetchLog>();
  double budgetSeconds_ = iconsource::searchBudgetSeconds;

  // Serves `body` at `path` with the given status and content type.
  void serve(const std::string& path, std::string body, int status = 200,
             const std::string& type = "application/octet-stream") {
    site_.routes().Get(path, [body = std::move(body), status, type](const httplib::Request&, httplib::Response& res) {
      res.status = status;
      res.set_content(body, type.c_str());
    });
  }
  void servePage(const std::string& path, const std::string& html, int status = 200) {
    serve(path, html, status, "text/html");
  }

  static std::string serviceTarget() { return "/s2/favicons?domain=127.0.0.1&sz=256"; }

  iconsource::IconSearchOptions options() const {
    iconsource::IconSearchOptions options;
    options.faviconServicePrefix = site_.url("");
    options.budgetSeconds = budgetSeconds_;
    const std::string port = std::to_string(site_.port());
    options.fetch = [log = fetchLog_, port](const platform::Url& url, double timeout) -> std::optional<std::string> {
      {
        std::lock_guard lock(log->mutex);
        log->urls.push_back(url.string());
      }
      if (url.host() != "127.0.0.1") return std::nullopt;
      std::string target = url.string();
      if (url.port() == -1) {
        const std::string origin = url.scheme() + "://127.0.0.1";
        target = "http://127.0.0.1:" + port + target.substr(origin.size());
      }
      auto redirected = platform::Url::parse(target);
      return redirected ? iconsource::fetchData(*redirected, timeout) : std::nullopt;
    };
    return options;
  }

  std::vector<std::string> fetched() const {
    std::lock_guard lock(fetchLog_->mutex);
    return fetchLog_->urls;
  }

  // One whole search through the public entry point, answered once, on the
  // main thread, after the call returned. The fetcher is gone before the search ends.
  std::optional<platform::Image> search(std::string_view text) {
    if (!site_.routes().is_running()) site_.start();
    struct Outcome {
      std::optional<platform::Image> image;
      int calls = 0;
      bool wellBehaved = true;
    };
    auto outcome = std::make_shared<Outcome>();
    bool returned = false;
    iconsource::WebsiteIconFetcher(options()).fetchWebsiteIcon(text, [outcome, &returned](auto image) {
      outcome->calls++;
      outcome->wellBehaved = platform::isMainThread() && returned;
      outcome->image = std::move(image);
    });
    returned = true;
    platform::runMainLoopUntil([&] { return outcome->calls > 0; });
    testing_support::drainMainQueue();
    EXPECT_EQ(outcome->calls, 1);
    EXPECT_TRUE(outcome->wellBehaved);
    return std::move(outcome->image);
  }
};

inline std::string linkTag(const std::string& rel, const std::string& href) {
  return "<link rel=\"" + rel + "\" href=\"" + href + "\">\n";
}

}  // namespace icon_search_testing
