// A cancelled icon search answers at once, even while the server keeps
// silent, and its download ends without waiting for its timeout.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "iconsource/website_icon_fetcher.hpp"
#include "platform/dispatch.hpp"
#include "platform/gobject_ptr.hpp"
#include "platform/work.hpp"
#include "tests/support/loopback_http_server.hpp"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(IconSearchCancel, SilentServerIsLeftAtOnce) {
  testing_support::LoopbackHttpServer site;
  site.routes().Get(".*", [&site](const httplib::Request&, httplib::Response&) { site.hang(); });
  site.start();
  iconsource::IconSearchOptions options;
  options.faviconServicePrefix = site.url("");
  auto cancellable = platform::adoptGRef(g_cancellable_new());
  std::optional<std::optional<platform::Image>> answer;
  iconsource::WebsiteIconFetcher(options).fetchWebsiteIcon(
      site.url("/"), [&answer](std::optional<platform::Image> image) { answer = std::move(image); },
      cancellable.get());
  const auto until = Clock::now() + 5s;
  while (site.targets().empty() && Clock::now() < until) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(site.targets(), std::vector<std::string>{"/"});

  const auto cancelledAt = Clock::now();
  g_cancellable_cancel(cancellable.get());
  platform::runMainLoopUntil([&answer] { return answer.has_value(); });
  EXPECT_LT(Clock::now() - cancelledAt, 500ms);
  EXPECT_FALSE(*answer);
  // The abandoned download ends well before its own timeout.
  EXPECT_TRUE(platform::waitForAllWork(3s));
}

}  // namespace
