#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "tests/iconsource/icon_search_fixture.hpp"

namespace {

using icon_search_testing::IconSearchTest;
using icon_search_testing::linkTag;
using ::testing::ElementsAre;
using ::testing::Each;
using ::testing::Field;
using ::testing::Contains;
using testing_support::sizeOf;

TEST_F(IconSearchTest, PageOnOwnPortKeepsItForLinksButNotForTheRest) {
  servePage("/", "<html><head>" + linkTag("icon", "/p.png") + "</head></html>");
  serve("/p.png", testing_support::pictureFile(32, 32));
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "32x32");
  EXPECT_THAT(fetched(), ElementsAre(site_.url("/"), site_.url("/p.png"), "http://127.0.0.1/apple-touch-icon.png",
                                     "http://127.0.0.1/apple-touch-icon-precomposed.png",
                                     "http://127.0.0.1/favicon.ico", site_.url(serviceTarget())));
  EXPECT_THAT(site_.log(), Each(Field(&testing_support::LoggedRequest::userAgent,
                                      std::string(iconsource::desktopUserAgent))));
}

TEST_F(IconSearchTest, LargestWinsAndTheEarlierOneOnATie) {
  servePage("/", linkTag("icon", "/i32.png") + linkTag("apple-touch-icon", "/wide.png") +
                     linkTag("icon", "/tall.png"));
  serve("/i32.png", testing_support::pictureFile(32, 32));
  serve("/wide.png", testing_support::pictureFile(180, 90));
  serve("/tall.png", testing_support::pictureFile(90, 180));
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "180x90");
  EXPECT_EQ(site_.count("/tall.png"), 1);
}

TEST_F(IconSearchTest, StopsAsSoonAsAnIconReaches256) {
  servePage("/", linkTag("icon", "/small.png") + linkTag("icon", "/exact.png") + linkTag("icon", "/later.png"));
  serve("/small.png", testing_support::pictureFile(16, 16));
  serve("/exact.png", testing_support::pictureFile(40, 256));
  serve("/later.png", testing_support::pictureFile(512, 512));
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "40x256");
  EXPECT_THAT(site_.targets(), ElementsAre("/", "/small.png", "/exact.png"));
}

// The page sits on the host's default port, so its "/favicon.ico" link and the
// well-known "/favicon.ico" are the same URL. The page itself answers 404,
// which does not stop its links from being read.
TEST_F(IconSearchTest, DuplicatesStyleSheetsAndErrorPagesAreTriedOnceAndSkipped) {
  servePage("/", linkTag("stylesheet", "/icons.css") + linkTag("shortcut icon", "/favicon.ico"), 404);
  serve("/icons.css", ".icon { color: red }", 200, "text/css");
  servePage("/favicon.ico", "<html><body>Not Found</body></html>", 404);
  serve("/s2/favicons", testing_support::pictureFile(48, 48));
  auto image = search("http://127.0.0.1/");
  EXPECT_EQ(sizeOf(image), "48x48");
  EXPECT_THAT(site_.targets(), ElementsAre("/", "/icons.css", "/favicon.ico", "/apple-touch-icon.png",
                                           "/apple-touch-icon-precomposed.png", serviceTarget()));
}

TEST_F(IconSearchTest, LinksResolveAgainstTheTypedPageNotTheRedirectedOne) {
  site_.routes().Get("/dir/start", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/other/home"); });
  servePage("/other/home", linkTag("icon", "moved.png"));
  site_.routes().Get("/dir/moved.png", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/real.png"); });
  serve("/real.png", testing_support::pictureFile(64, 64));
  serve("/other/moved.png", testing_support::pictureFile(128, 128));
  auto image = search(site_.url("/dir/start"));
  EXPECT_EQ(sizeOf(image), "64x64");
  EXPECT_EQ(site_.count("/other/moved.png"), 0);
}

TEST_F(IconSearchTest, NonUtf8PageGivesNoLinksButTheRestIsTried) {
  servePage("/", linkTag("icon", "/p.png") + "caf\xe9\n");
  serve("/p.png", testing_support::pictureFile(200, 200));
  serve("/s2/favicons", testing_support::pictureFile(40, 40));
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "40x40");
  EXPECT_EQ(site_.count("/p.png"), 0);
  EXPECT_THAT(fetched(), Contains("http://127.0.0.1/favicon.ico"));
}

// Costs one request timeout (about six seconds).
TEST_F(IconSearchTest, SilentServerCostsOneTimeoutAndTheSearchGoesOn) {
  servePage("/", linkTag("icon", "/silent.png") + linkTag("icon", "/ok.png"));
  site_.routes().Get("/silent.png", [this](const httplib::Request&, httplib::Response&) { site_.hang(); });
  serve("/ok.png", testing_support::pictureFile(24, 24));
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "24x24");
  EXPECT_EQ(site_.count(serviceTarget()), 1);
}

// Fifty links to a server that never answers would take minutes; the
// search's budget ends it with the best picture it has.
TEST_F(IconSearchTest, TheBudgetEndsASearchOfSilentLinksWithTheBestSoFar) {
  std::string page = linkTag("icon", "/ok.png");
  for (int i = 0; i < 50; ++i) page += linkTag("icon", "/silent" + std::to_string(i) + ".png");
  servePage("/", page);
  serve("/ok.png", testing_support::pictureFile(24, 24));
  site_.routes().Get(R"(/silent\d+\.png)", [this](const httplib::Request&, httplib::Response&) { site_.hang(); });
  budgetSeconds_ = 2;
  auto image = search(site_.url("/"));
  EXPECT_EQ(sizeOf(image), "24x24");
  EXPECT_LE(fetched().size(), 4u);
}

// Blank, unparseable or host-less text: nothing is asked of any server.
TEST_F(IconSearchTest, UnusableTextAnswersNothingWithoutARequest) {
  for (const char* text : {"", "\xc2\xa0\xe2\x80\xa8", "localhost:8080", "exa mple.com", "mailto:someone@example.org"})
    EXPECT_FALSE(search(text)) << text;
  EXPECT_THAT(fetched(), ElementsAre());
  EXPECT_THAT(site_.targets(), ElementsAre());
}

}  // namespace
