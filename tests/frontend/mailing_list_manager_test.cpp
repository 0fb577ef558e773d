#include <gtest/gtest.h>

#include "tests/frontend/mailing_list_fixture.hpp"

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

// One manager throughout: the shared suite is read afresh at each check, so an
// answer given in another of the maker's programs counts at once. The menu's
// request ignores the thresholds, a snooze and the updater; a final answer hides
// the menu item itself (the main-menu journey).
TEST_F(LaunchRules, PromptFollowsThresholdsDecisionSnoozeAndUpdaterUnlessAskedFromTheMenu) {
  using Snooze = std::optional<platform::plist::Value>;
  const Date tomorrow{kStart + kDay};
  const std::tuple<const char*, int, const char*, Snooze, bool, bool, bool> rows[] = {
      {"first launch, first day", 1, nullptr, {}, false, false, false},
      {"from the menu", 1, "snoozed", tomorrow, true, true, true},
      {"unknown decision is none", 5, "maybe", {}, false, false, true},
      {"update running", 5, nullptr, {}, true, false, false},
      {"snoozed until tomorrow", 5, "snoozed", tomorrow, false, false, false},
      {"snooze not a date", 5, "snoozed", platform::plist::Value("soon"), false, false, true},
      {"declined", 5, "declined", {}, false, true, false},
      {"subscribed in another program", 5, "subscribed", {}, false, true, false},
  };
  auto manager = makeManager();
  for (const auto& [name, launches, decision, snoozeUntil, updating, fromMenu, shown] : rows) {
    suite.set("mailingList.co.corvan.nimbrel.launchCount", launches);
    decision ? suite.set(MailingListManager::decisionKey, std::string(decision)) : suite.remove(MailingListManager::decisionKey);
    snoozeUntil ? suite.set(MailingListManager::snoozeUntilKey, *snoozeUntil)
                : suite.remove(MailingListManager::snoozeUntilKey);
    manager->dismiss();
    manager->isUpdateInProgress = [updating] { return updating; };
    fromMenu ? manager->present(true) : manager->maybePresent();
    EXPECT_EQ(manager->isPresented(), shown) << name;
  }
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

}  // namespace
