#include <gtest/gtest.h>

#include "frontend/appcast_updater.hpp"
#include "platform/dispatch.hpp"
#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/support/loopback_http_server.hpp"

namespace {

using frontend::AppcastUpdater;
using mailing_list_testing::kDay;

// Records the dialogs instead of showing them; closing one is up to the test.
struct RecordingDialogs final : frontend::UpdaterUserDriver {
  std::vector<std::string> shown;
  std::function<void()> close;
  std::function<void(std::optional<bool>)> answer;

  void showUpToDate(const std::string& version, std::function<void()> closed) override {
    shown.push_back("up to date " + version), close = std::move(closed);
  }
  void showUpdateFound(const frontend::AppcastItem& item, std::function<void()> closed) override {
    shown.push_back("new " + item.displayVersion() + " at " + downloadPage(item).value_or("none")), close = closed;
  }
  void showCheckFailed(const std::string& message, std::function<void()> closed) override {
    shown.push_back("failed " + message), close = std::move(closed);
  }
  void askAboutAutomaticChecks(std::function<void(std::optional<bool>)> answered) override {
    shown.push_back("ask"), answer = std::move(answered);
  }
};

class UpdaterTest : public mailing_list_testing::MailingListTest {
 protected:
  std::string feed = "<rss><channel/></rss>";
  int status = 200;
  bool hang = false;
  RecordingDialogs dialogs;
  platform::UserDefaults standard{"co.corvan.nimbrel"};
  // Last, so it goes first: a request it lets go still finds what it answers with.
  testing_support::LoopbackHttpServer server;

  void SetUp() override {
    server.routes().Get("/appcast.xml", [this](const httplib::Request&, httplib::Response& res) {
      if (hang) server.hang();
      res.status = status;
      res.set_content(feed, "application/rss+xml");
    });
    server.start();
  }
  std::unique_ptr<AppcastUpdater> makeUpdater(std::optional<std::string> feedURL = "") {
    frontend::UpdaterEnvironment env;
    env.feedURL = feedURL && feedURL->empty() ? server.url("/appcast.xml") : feedURL;
    env.installedVersion = env.installedDisplayVersion = "1.5";
    env.defaults = [] { return platform::UserDefaults("co.corvan.nimbrel"); };
    env.now = [this] { return platform::plist::Date{now}; };
    env.http = platform::performHttp;
    env.schedule = timer.scheduler();
    return std::make_unique<AppcastUpdater>(std::move(env), dialogs);
  }
  void waitForSessionEnd(AppcastUpdater& updater, size_t dialogsShown) {
    platform::runMainLoopUntil([&] { return !updater.sessionInProgress() || dialogs.shown.size() >= dialogsShown; });
  }
  static std::string feedWith(const char* version) {
    return std::string(R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><item>)"
                       "<sparkle:version>") + version + "</sparkle:version><link>https://example.org/get</link>"
                       "</item></channel></rss>";
  }
};

// One row per kind of answer; the journey through the main menu shows a newer
// version's dialog. Items without a version, or with one in another namespace,
// are skipped; any number beats a word and 1.10 is newer than 1.9; a link that
// is not https is not offered.
TEST_F(UpdaterTest, ManualCheckTellsWhatTheFeedSays) {
  const std::string sparkle = R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)";
  std::vector<std::tuple<std::string, int, std::string>> rows = {
      {feedWith("1.5"), 200, "up to date 1.5"},
      {feedWith("1.5b3"), 200, "up to date 1.5"},  // a pre-release comes before its release
      {feedWith("99999999999999999999999"), 200, "new 99999999999999999999999 "},
      {sparkle + R"(<item><link>https://example.org/none</link></item>
        <item><other:version xmlns:other="urn:x">99</other:version></item>
        <item><sparkle:version>1.9</sparkle:version><link>https://example.org/old</link></item>
        <item xmlns:s="http://www.andymatuschak.org/xml-namespaces/sparkle"><s:version>1.10</s:version>
          <s:releaseNotesLink><![CDATA[https://example.org/notes]]></s:releaseNotesLink></item></channel></rss>)",
       200, "new 1.10 at https://example.org/notes"},
      {sparkle + R"(<item><link>javascript:alert(1)</link><enclosure url="https://example.org/n.tar.gz"
         sparkle:version="1.9" sparkle:shortVersionString="1.9 &amp; more"/></item></channel></rss>)",
       200, "new 1.9 & more at https://example.org/n.tar.gz"},
      {feedWith("2.0"), 404, "failed The update server answered 404."},
  };
  for (const char* broken : {"", "not xml", "<html><body/></html>", "<rss><channel><item>", "<rss></rss><rss/>"}) {
    rows.emplace_back(broken, 200, "failed The update information could not be read");
  }
  auto updater = makeUpdater();
  for (const auto& [body, answer, shown] : rows) {
    feed = body, status = answer;
    dialogs.shown.clear();
    updater->checkForUpdates();
    waitForSessionEnd(*updater, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u) << body;
    EXPECT_EQ(dialogs.shown[0].rfind(shown, 0), 0u) << dialogs.shown[0];
    EXPECT_TRUE(updater->sessionInProgress()) << "until its dialog is closed";
    dialogs.close();
    EXPECT_TRUE(updater->canCheckForUpdates());
  }
  EXPECT_EQ(standard.date(AppcastUpdater::lastCheckDateKey), platform::plist::Date{now});
}

TEST_F(UpdaterTest, CheckWhileOneRunsAsksOnceAndUnreachableOrPlainHttpFeedsFail) {
  hang = true;
  auto updater = makeUpdater();
  updater->checkForUpdates();
  updater->checkForUpdates();
  while (server.count("/appcast.xml") == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(server.count("/appcast.xml"), 1);

  auto unreachable =
      makeUpdater("http://127.0.0.1:" + std::to_string(testing_support::refusedLoopbackPort()) + "/appcast.xml");
  unreachable->checkForUpdates();
  waitForSessionEnd(*unreachable, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].rfind("failed The update server could not be reached", 0), 0u) << dialogs.shown[0];

  auto plainHttp = makeUpdater("http://example.org/a.xml");
  plainHttp->start();
  EXPECT_FALSE(plainHttp->canCheckForUpdates());
  EXPECT_TRUE(timer.calls.empty());
}

// Asked a day after the first launch; once agreed, a check that finds nothing
// says nothing and the next is a day on. A later launch runs the overdue check
// at once and speaks up for a newer version. Declined: no automatic checks.
TEST_F(UpdaterTest, AutomaticChecksStartADayAfterFirstLaunchOnceTheUserAgrees) {
  auto delays = [&] {
    std::vector<double> seconds;
    for (const auto& call : timer.calls) seconds.push_back(call->seconds);
    return seconds;
  };
  feed = feedWith("1.5");
  auto updater = makeUpdater();
  updater->start();
  now += kDay;
  timer.fireAll();
  ASSERT_EQ(dialogs.shown, std::vector<std::string>{"ask"});
  EXPECT_TRUE(updater->sessionInProgress()) << "the newsletter prompt waits meanwhile";
  dialogs.answer(true);
  waitForSessionEnd(*updater, 2);
  EXPECT_EQ(dialogs.shown.size(), 1u) << "an automatic check that finds nothing says nothing";
  EXPECT_EQ(server.count("/appcast.xml"), 1);

  now += 3 * kDay;
  feed = feedWith("1.6");
  updater = makeUpdater();
  updater->start();
  timer.fireAll();
  waitForSessionEnd(*updater, 2);
  EXPECT_EQ(dialogs.shown.back(), "new 1.6 at https://example.org/get");
  dialogs.close();
  EXPECT_EQ(delays(), (std::vector<double>{kDay, kDay, 0, kDay}));

  standard.set(AppcastUpdater::automaticChecksKey, false);
  updater = makeUpdater();
  updater->start();
  EXPECT_EQ(timer.calls.size(), 4u);
  EXPECT_TRUE(updater->canCheckForUpdates());
}

}  // namespace
