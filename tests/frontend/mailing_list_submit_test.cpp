#include <nlohmann/json.hpp>

#include "platform/dispatch.hpp"
#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/support/main_queue.hpp"

namespace frontend {
// Readable failure messages and test names.
void PrintTo(const SubmitStatus& status, std::ostream* out) {
  *out << static_cast<int>(status.kind) << " \"" << status.message << '"';
}
}  // namespace frontend

namespace {

using frontend::MailingListManager;
using frontend::SubmitStatus;

// PromptTest in the shell's view tests walks the answers by status.
class SubmitTest : public mailing_list_testing::MakerSiteTest {
 protected:
  void submitAndWait(MailingListManager& manager, const std::string& email) {
    manager.submit(email);
    platform::runMainLoopUntil([&] { return manager.status().kind != SubmitStatus::Kind::submitting; });
  }
};

// Bad addresses ask nothing; an unreachable server fails, records nothing and
// the next prompt starts afresh; then the trimmed address goes out.
TEST_F(SubmitTest, SubscriptionSendsTheTrimmedAddressAndRecordsTheSharedAnswer) {
  const std::string reachable =
      std::exchange(site, "http://127.0.0.1:" + std::to_string(testing_support::refusedLoopbackPort()));
  auto unreachable = makeManager();
  for (const char* bad : {"", "  \n ", "reader.example.org"}) {
    unreachable->submit(bad);
    EXPECT_EQ(unreachable->status(), SubmitStatus::failure("Please enter a valid email address.")) << bad;
  }
  submitAndWait(*unreachable, "a@b.c");
  EXPECT_EQ(unreachable->status().kind, SubmitStatus::Kind::failure);
  EXPECT_NE(unreachable->status().message, "");
  EXPECT_FALSE(suite.object(MailingListManager::decisionKey));
  unreachable->promptDisappeared();
  EXPECT_EQ(unreachable->status(), SubmitStatus::idle());

  site = reachable;
  region = "GB";
  auto manager = makeManager();
  manager->present(true);
  std::vector<SubmitStatus::Kind> seen;
  auto connection = manager->observe([&] { seen.push_back(manager->status().kind); });

  submitAndWait(*manager, " \t reader@example.org \n");
  EXPECT_EQ(seen, (std::vector{SubmitStatus::Kind::submitting, SubmitStatus::Kind::success}));
  EXPECT_TRUE(manager->isOptedOut());
  EXPECT_TRUE(manager->isPresented()) << "the success view stays until dismissed";
  EXPECT_EQ(suite.string(MailingListManager::decisionKey), "subscribed");

  auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(sent[0].get_header_value("X-App-Secret"), "Brakmoor-2031");
  EXPECT_EQ(sent[0].body.find('\n'), std::string::npos) << "compact JSON";
  EXPECT_EQ(nlohmann::json::parse(sent[0].body), nlohmann::json::parse(R"({"email": "reader@example.org",
      "app": "co.corvan.nimbrel", "tz": "Europe/Berlin", "country": "United Kingdom"})"));
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
  guint tick = g_timeout_add(
      1, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  platform::runMainLoopUntil([&] { return inFlight.expired(); });
  g_source_remove(tick);
  testing_support::drainMainQueue();
  EXPECT_FALSE(suite.object(MailingListManager::decisionKey)) << "nobody was left to record it";
}

}  // namespace
