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

// An icon file with entries of the given sizes, in that order: PNG-coded
// where asked, else the bitmaps of gdk-pixbuf's single-entry writer.
std::string icoFile(std::initializer_list<std::pair<int, bool>> entries) {
  auto le = [](std::size_t v, int bytes) { return std::string(reinterpret_cast<const char*>(&v), bytes); };  // x86: little-endian
  std::string header = le(0, 2) + le(1, 2) + le(entries.size(), 2), images;
  std::size_t offset = 6 + 16 * entries.size();
  for (auto [size, pngCoded] : entries) {
    std::string image = testing_support::pictureFile(size, size, pngCoded ? "png" : "ico").substr(pngCoded ? 0 : 22);
    header += le(size % 256, 1) + le(size % 256, 1) + le(0, 2) + le(1, 2) + le(32, 2) + le(image.size(), 4) +
              le(offset, 4);
    offset += image.size();
    images += image;
  }
  return header + images;
}

// Each format served as a page's only icon link, decoded at its own size.
TEST_F(IconSearchTest, EachFormatDecodesAtItsOwnSize) {
  // The PNG-coded 64 px entry, last in its file, loses its header chunk: the next largest is used.
  std::string brokenLargest = icoFile({{16, false}, {64, true}});
  brokenLargest.replace(brokenLargest.size() - testing_support::pictureFile(64, 64).size() + 12, 4, "XXXX");
  const std::tuple<const char*, std::string, const char*> rows[] = {
      {"png", testing_support::pictureFile(48, 30), "48x30"},
      {"ico, largest entry", icoFile({{16, false}, {48, false}, {32, false}}), "48x48"},
      {"ico, largest entry PNG-coded", icoFile({{16, false}, {256, true}, {32, true}}), "256x256"},
      {"ico, largest entry broken", brokenLargest, "16x16"},
      {"jpeg", testing_support::pictureFile(40, 20, "jpeg"), "40x20"},
      {"gif", testing_support::animatedGif(20, 12, 1), "20x12"},
      {"svg", testing_support::svgOfSize(120, 80), "120x80"},
  };
  servePage("/", linkTag("icon", "/icon"));
  std::string served;
  site_.routes().Get("/icon", [&served](const httplib::Request&, httplib::Response& res) {
    res.set_content(served, "application/octet-stream");
  });
  for (const auto& [name, bytes, size] : rows) {
    served = bytes;
    EXPECT_EQ(testing_support::sizeOf(search(site_.url("/"))), size) << name;
  }
}

}  // namespace
