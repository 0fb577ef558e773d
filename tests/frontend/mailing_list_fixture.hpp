#pragma once
// A mailing-list manager on a fixed clock, a hand-fired timer and a real
// defaults suite in a temporary config folder.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "frontend/mailing_list_manager.hpp"
#include "platform/http.hpp"
#include "tests/support/loopback_http_server.hpp"
#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace mailing_list_testing {

// 2026-03-20 12:00:00 UTC, nine days before Europe's clocks change.
constexpr double kStart = 1774008000;
constexpr double kDay = 86400;

class FakeScheduler {
 public:
  struct Call {
    double seconds;
    std::function<void()> task;
    bool cancelled = false;
  };
  struct Handle : frontend::PendingCall {
    explicit Handle(std::shared_ptr<Call> call) : call(std::move(call)) {}
    ~Handle() override { cancel(); }
    void cancel() override { call->cancelled = true; }
    std::shared_ptr<Call> call;
  };

  frontend::Scheduler scheduler() {
    return [this](double seconds, std::function<void()> task) {
      calls.push_back(std::make_shared<Call>(Call{seconds, std::move(task)}));
      return std::make_unique<Handle>(calls.back());
    };
  }
  // Runs every call still pending, as the timer would.
  void fireAll() {
    for (auto& call : std::vector(calls)) {
      if (!std::exchange(call->cancelled, true)) call->task();
    }
  }

  std::vector<std::shared_ptr<Call>> calls;
};

class MailingListTest : public ::testing::Test {
 protected:
  testing_support::TempDir home;
  testing_support::ScopedEnv xdg{"XDG_CONFIG_HOME", home.path().string()};
  double now = kStart;
  std::optional<std::string> region;
  FakeScheduler timer;
  platform::UserDefaults suite{frontend::MailingListManager::appGroupSuiteName};

  virtual frontend::MailingListEnvironment environment() {
    frontend::MailingListEnvironment env;
    env.defaults = frontend::mailingListDefaults;
    env.now = [this] { return platform::plist::Date{now}; };
    env.calendar = std::make_shared<frontend::Calendar>("Europe/Berlin");
    env.regionCode = [this] { return region; };
    env.schedule = timer.scheduler();
    env.appIdentifier = "co.corvan.nimbrel";
    env.makerSite = "https://maker.invalid";
    env.appSecret = frontend::MailingListManager::appSecret;
    return env;
  }
  std::unique_ptr<frontend::MailingListManager> makeManager() {
    return std::make_unique<frontend::MailingListManager>(environment());
  }
};

// The maker's site on a loopback port, answering `status` and keeping the requests it was sent.
class MakerSiteTest : public MailingListTest {
 protected:
  std::atomic<int> status{200};
  std::unique_ptr<testing_support::LoopbackHttpServer> server = std::make_unique<testing_support::LoopbackHttpServer>();
  std::string site = server->url("");

  void SetUp() override {
    server->routes().Post("/mailinglist.php", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex);
      received.push_back(req);
      res.status = status;
    });
    server->start();
  }
  frontend::MailingListEnvironment environment() override {
    auto env = MailingListTest::environment();
    env.makerSite = site;
    env.http = platform::performHttp;
    return env;
  }
  std::vector<httplib::Request> requests() {
    std::lock_guard lock(mutex);
    return received;
  }

 private:
  std::mutex mutex;
  std::vector<httplib::Request> received;
};

}  // namespace mailing_list_testing
