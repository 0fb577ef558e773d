#include "iconsource/icon_download.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/iconsource/icon_search_fixture.hpp"

namespace {

using icon_search_testing::IconSearchTest;
using icon_search_testing::linkTag;
using namespace std::chrono_literals;

TEST_F(IconSearchTest, FetchDataKeepsTheBodyOfAnErrorSendsTheDesktopAgentAndNeedsHttp) {
  servePage("/gone", "<html>gone</html>", 410);
  site_.routes().Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  site_.start();
  auto fetch = [this](const std::string& path) {
    return iconsource::fetchData(*platform::Url::parse(site_.url(path)), iconsource::requestTimeoutSeconds);
  };
  EXPECT_EQ(fetch("/gone"), "<html>gone</html>");
  EXPECT_EQ(fetch("/empty"), "");
  auto log = site_.log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].userAgent, iconsource::desktopUserAgent);
  EXPECT_EQ(log[0].userAgent.size(), 104u);
  // Nothing without a connection or for other schemes.
  EXPECT_FALSE(iconsource::fetchData(*platform::Url::parse("http://127.0.0.1:1/"), 2));
  EXPECT_FALSE(iconsource::fetchData(*platform::Url::parse("file:///etc/hostname"), 2));
}

// A transfer that outlives its wait must neither block the search nor write
// into freed memory when it finally ends (the sanitizer build watches this).
TEST(AwaitTransfer, GivesUpOnASlowTransferSurvivesItsLateEndAndDeliversAFastOne) {
  auto ended = std::make_shared<std::atomic<bool>>(false);
  auto result = iconsource::awaitTransfer(
      [ended] {
        std::this_thread::sleep_for(300ms);
        ended->store(true);
        return std::optional<std::string>("too late");
      },
      20ms);
  EXPECT_FALSE(result);
  EXPECT_FALSE(ended->load());
  while (!ended->load()) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(20ms);

  EXPECT_EQ(iconsource::awaitTransfer([] { return std::optional<std::string>("body"); }, 5000ms), "body");
  EXPECT_FALSE(iconsource::awaitTransfer([] { return std::optional<std::string>(); }, 5000ms));
  EXPECT_FALSE(iconsource::awaitTransfer([]() -> std::optional<std::string> { throw std::runtime_error("x"); }, 5000ms));
}

struct FormatCase {
  const char* name;
  std::string bytes;
  const char* size;
};

// The PNG-coded 64 px entry, last in the file, loses its header chunk.
std::string brokenLargestEntry() {
  std::string file = test_images::ico({{16, false}, {64, true}});
  file.replace(file.size() - test_images::png(64, 64).size() + 12, 4, "XXXX");
  return file;
}

class IconFormats : public IconSearchTest, public ::testing::WithParamInterface<FormatCase> {};

// Each format served as a page's only icon link, decoded at its own size.
TEST_P(IconFormats, DecodeAtTheirOwnSize) {
  ASSERT_FALSE(GetParam().bytes.empty());
  servePage("/", linkTag("icon", "/icon"));
  serve("/icon", GetParam().bytes);
  auto outcome = search(site_.url("/"));
  EXPECT_EQ(testing_support::sizeOf(outcome.image), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Files, IconFormats,
                         ::testing::Values(FormatCase{"png", test_images::png(48, 30), "48x30"},
                                           FormatCase{"icoLargestEntry", test_images::ico({{16, false}, {48, false}, {32, false}}), "48x48"},
                                           FormatCase{"icoLargestPngEntry", test_images::ico({{16, false}, {256, true}, {32, true}}), "256x256"},
                                           FormatCase{"icoBrokenLargestEntry", brokenLargestEntry(), "16x16"},
                                           FormatCase{"jpeg", test_images::jpeg(40, 20), "40x20"},
                                           FormatCase{"gif", test_images::gif(20, 12), "20x12"},
                                           FormatCase{"svg", test_images::svg(120, 80), "120x80"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
