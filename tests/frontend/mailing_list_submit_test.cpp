#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/dispatch.hpp"
#include "platform/http.hpp"
#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/support/loopback_http_server.hpp"

namespace {

using frontend::MailingListManager;
using frontend::SubmitStatus;

// The maker's endpoint, on a loopback port of its own.
class FakeEndpoint {
 public:
  struct Received {
    std::string method, path, body;
    httplib::Headers headers;
  };

  FakeEndpoint() : server_(std::make_unique<testing_support::LoopbackHttpServer>()) {
    server_->routes().Post("/mailinglist.php", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      received_.push_back({req.method, req.path, req.body, req.headers});
      res.status = status_;
      res.set_content("{}", "application/json");
    });
    site_ = server_->url("");
    server_->start();
  }
  // Nobody listens on the port any more.
  void stop() { server_.reset(); }

  std::string site() const { return site_; }
  void answerWith(int status) {
    std::lock_guard lock(mutex_);
    status_ = status;
  }
  std::vector<Received> received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  std::mutex mutex_;
  int status_ = 200;
  std::vector<Received> received_;
  std::string site_;
  std::unique_ptr<testing_support::LoopbackHttpServer> server_;  // last: stops before the log goes
};

class SubmitTest : public mailing_list_testing::MailingListTest {
 protected:
  FakeEndpoint endpoint;

  frontend::MailingListEnvironment environment() override {
    auto env = MailingListTest::environment();
    env.makerSite = endpoint.site();
    env.http = platform::performHttp;
    return env;
  }
  void submitAndWait(MailingListManager& manager, const std::string& email) {
    manager.submit(email);
    platform::runMainLoopUntil([&] { return manager.status().kind != SubmitStatus::Kind::submitting; });
  }
  nlohmann::json lastBody() {
    auto received = endpoint.received();
    if (received.empty()) return nullptr;
    return nlohmann::json::parse(received.back().body);
  }
};

TEST_F(SubmitTest, SubscriptionSendsTheTrimmedAddressAndRecordsTheSharedAnswer) {
  region = "GB";
  auto manager = makeManager();
  manager->present(true);
  std::vector<SubmitStatus::Kind> seen;
  manager->observe([&] { seen.push_back(manager->status().kind); });

  submitAndWait(*manager, " \t reader@example.org \n");
  EXPECT_EQ(manager->status(), SubmitStatus::success());
  EXPECT_TRUE(manager->isOptedOut());
  EXPECT_TRUE(manager->isPresented()) << "the success view stays until dismissed";
  EXPECT_EQ(suite.string(MailingListManager::decisionKey), "subscribed");
  EXPECT_EQ(seen, (std::vector{SubmitStatus::Kind::submitting, SubmitStatus::Kind::success}));

  auto received = endpoint.received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].method, "POST");
  EXPECT_EQ(received[0].path, "/mailinglist.php");
  EXPECT_EQ(received[0].headers.find("Content-Type")->second, "application/json");
  EXPECT_EQ(received[0].headers.find("X-App-Secret")->second, "Brakmoor-2031");
  EXPECT_EQ(lastBody(), (nlohmann::json{{"email", "reader@example.org"},
                                        {"app", "co.corvan.nimbrel"},
                                        {"tz", "Europe/Berlin"},
                                        {"country", "United Kingdom"}}));
  EXPECT_EQ(received[0].body.find('\n'), std::string::npos) << "compact JSON";
}

TEST_F(SubmitTest, WithoutRegionOrSecretTheRequestCarriesNeitherCountryNorSecretHeader) {
  auto env = environment();
  env.appSecret.reset();
  MailingListManager manager(env);
  submitAndWait(manager, "a@b");
  auto body = lastBody();
  EXPECT_EQ(body.size(), 3u) << body.dump();
  EXPECT_FALSE(body.contains("country"));
  EXPECT_EQ(endpoint.received().at(0).headers.count("X-App-Secret"), 0u);
}

TEST_F(SubmitTest, AddressWithoutAtSignSendsNothing) {
  auto manager = makeManager();
  for (const char* bad : {"", "  \n ", "reader.example.org"}) {
    manager->submit(bad);
    EXPECT_EQ(manager->status(), SubmitStatus::failure("Please enter a valid email address.")) << bad;
  }
  EXPECT_TRUE(endpoint.received().empty());
}

struct StatusCase {
  int code;
  SubmitStatus expected;
};

class SubmitStatusTest : public SubmitTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SubmitStatusTest, AnswerDecidesTheOutcome) {
  endpoint.answerWith(GetParam().code);
  auto manager = makeManager();
  submitAndWait(*manager, "a@b.c");
  EXPECT_EQ(manager->status(), GetParam().expected);
  bool subscribed = GetParam().expected == SubmitStatus::success();
  EXPECT_EQ(manager->isOptedOut(), subscribed);
  EXPECT_EQ(suite.string(MailingListManager::decisionKey), subscribed ? std::optional<std::string>("subscribed")
                                                                      : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    MailingList, SubmitStatusTest,
    ::testing::Values(StatusCase{200, SubmitStatus::success()}, StatusCase{204, SubmitStatus::success()},
                      StatusCase{409, SubmitStatus::success()},
                      StatusCase{422, SubmitStatus::failure("Please check your email address and try again.")},
                      StatusCase{500, SubmitStatus::failure("Server returned 500. Please try again later.")},
                      StatusCase{404, SubmitStatus::failure("Server returned 404. Please try again later.")}),
    [](const auto& info) { return std::to_string(info.param.code); });

TEST_F(SubmitTest, UnreachableServerFailsWithTheTransportErrorAndCanBeRetried) {
  endpoint.stop();
  auto manager = makeManager();
  submitAndWait(*manager, "a@b.c");
  EXPECT_EQ(manager->status().kind, SubmitStatus::Kind::failure);
  EXPECT_FALSE(manager->status().message.empty());
  EXPECT_FALSE(manager->isOptedOut());
  EXPECT_FALSE(suite.object(MailingListManager::decisionKey));

  manager->promptDisappeared();
  EXPECT_EQ(manager->status(), SubmitStatus::idle());
}

TEST(SubmitStatusFor, ResponseWithoutStatusOrErrorCountsAsStatusZero) {
  EXPECT_EQ(frontend::submitStatusFor({}), SubmitStatus::failure("Server returned 0. Please try again later."));
}

TEST_F(SubmitTest, ManagerClosedWhileTheRequestIsInFlightIsLeftAlone) {
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> inFlight = token;
  auto env = environment();
  env.http = [token](const platform::HttpRequest& request) { return platform::performHttp(request); };
  token.reset();
  auto manager = std::make_unique<MailingListManager>(env);
  env = {};
  manager->submit("a@b.c");
  manager.reset();
  // The worker drops its copy of the client after posting the answer, which
  // wakes nobody: a ticking source keeps the loop looking.
  guint tick = g_timeout_add(1, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  platform::runMainLoopUntil([&] { return inFlight.expired(); });
  g_source_remove(tick);
  bool drained = false;
  platform::postToMain([&] { drained = true; });
  platform::runMainLoopUntil([&] { return drained; });
  EXPECT_FALSE(suite.object(MailingListManager::decisionKey)) << "nobody was left to record it";
}

TEST_F(SubmitTest, SuccessViewDismissesItselfUnlessItGoesAwayFirst) {
  auto manager = makeManager();
  manager->present(true);
  auto pending = manager->scheduleAutoDismiss();
  EXPECT_EQ(timer.calls.back()->seconds, 3.5);
  pending.reset();
  timer.fireAll();
  EXPECT_TRUE(manager->isPresented());
  pending = manager->scheduleAutoDismiss();
  timer.fireAll();
  EXPECT_FALSE(manager->isPresented());
}

TEST_F(SubmitTest, EndpointAndPrivacyPageLiveOnTheConfiguredSite) {
  auto env = environment();
  env.makerSite = "https://maker.example/";
  MailingListManager manager(env);
  EXPECT_EQ(manager.subscribeEndpoint(), "https://maker.example/mailinglist.php");
  EXPECT_EQ(manager.privacyPolicyURL()->string(), "https://maker.example/privacy/");
  env.makerSite = "not a site";
  EXPECT_FALSE(MailingListManager(env).privacyPolicyURL());
}

}  // namespace
