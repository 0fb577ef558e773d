#include <gtest/gtest.h>

#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/support/fork_child.hpp"

namespace {

using frontend::MailingListManager;
using mailing_list_testing::kDay;
using mailing_list_testing::kStart;
using platform::plist::Date;

class LaunchRules : public mailing_list_testing::MailingListTest {
 protected:
  // One launch of the program: a new manager records it and its delayed check runs.
  bool launch() {
    auto manager = makeManager();
    manager->recordLaunch();
    timer.fireAll();
    return manager->isPresented();
  }
};

// The third launch on the first day: PromptTest in the shell's view tests.
TEST_F(LaunchRules, SecondLaunchTwoDaysOnShowsThePromptAndAClosedProgramChecksNothingLater) {
  auto first = makeManager();
  first->recordLaunch();
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.installDate"), Date{kStart});
  first.reset();
  ASSERT_EQ(timer.calls.size(), 1u);
  EXPECT_TRUE(timer.calls[0]->cancelled);
  now += 2 * kDay - 1;
  EXPECT_FALSE(launch());
  now += 1;
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 1);  // as if this were the second launch
  EXPECT_TRUE(launch());
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.lastShownAt"), Date{now});
}

// Conditions of the automatic prompt, for a user past the launch thresholds.
TEST_F(LaunchRules, AutomaticPromptFollowsDecisionSnoozeAndUpdater) {
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  using Snooze = std::optional<platform::plist::Value>;
  const std::tuple<const char*, const char*, Snooze, bool, bool> rows[] = {
      {"unknown decision is none", "maybe", {}, false, true},
      {"update running", nullptr, {}, true, false},
      {"declined", "declined", {}, false, false},
      {"snoozed until tomorrow", "snoozed", Date{kStart + kDay}, false, false},
      {"snooze not a date", "snoozed", platform::plist::Value("soon"), false, true},
  };
  for (const auto& [name, decision, snoozeUntil, updating, shown] : rows) {
    decision ? suite.set(MailingListManager::decisionKey, std::string(decision)) : suite.remove(MailingListManager::decisionKey);
    snoozeUntil ? suite.set(MailingListManager::snoozeUntilKey, *snoozeUntil)
                : suite.remove(MailingListManager::snoozeUntilKey);
    auto manager = makeManager();
    manager->isUpdateInProgress = [updating] { return updating; };
    manager->maybePresent();
    EXPECT_EQ(manager->isPresented(), shown) << name;
  }
}

// A final answer hiding the menu's request: the main-menu journey.
TEST_F(LaunchRules, MenuRequestIgnoresThresholdsSnoozeAndUpdater) {
  suite.set(MailingListManager::decisionKey, "snoozed");
  suite.set(MailingListManager::snoozeUntilKey, Date{kStart + kDay});
  auto manager = makeManager();
  manager->isUpdateInProgress = [] { return true; };
  manager->present(false);
  EXPECT_FALSE(manager->isPresented()) << "first launch, first day";
  manager->present(true);
  EXPECT_TRUE(manager->isPresented());
}

TEST_F(LaunchRules, SnoozeLastsFourteenCalendarDaysAcrossAClockChange) {
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  auto manager = makeManager();
  manager->present(true);
  manager->snooze();
  EXPECT_FALSE(manager->isPresented() || manager->isOptedOut());
  // Berlin moves to summer time on 29 March: fourteen days are an hour short of 14 × 24 hours.
  EXPECT_EQ(suite.date(MailingListManager::snoozeUntilKey), Date{kStart + 14 * kDay - 3600});
  now += 13 * kDay;
  manager->maybePresent();
  EXPECT_FALSE(manager->isPresented());
  now += kDay;
  manager->maybePresent();
  EXPECT_TRUE(manager->isPresented());
}

TEST_F(LaunchRules, AnswerIsSharedWithOtherProcessesAtOnce) {
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  auto manager = makeManager();
  ASSERT_EQ(testing_support::runChild([] {
              platform::UserDefaults(MailingListManager::appGroupSuiteName)
                  .set(MailingListManager::decisionKey, "subscribed");
              return true;
            }),
            0);
  manager->maybePresent();
  manager->present(true);
  EXPECT_FALSE(manager->isPresented());

  // The other way round, from a program with its own launch count.
  manager->decline();
  EXPECT_EQ(testing_support::runChild([this] {
              auto env = environment();
              env.appIdentifier = "co.corvan.other";
              frontend::MailingListManager other(env);
              other.recordLaunch();
              return other.isOptedOut() && other.launchCount() == 1;
            }),
            0);
  EXPECT_EQ(manager->launchCount(), 5);
}

}  // namespace
