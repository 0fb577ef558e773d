#include <gtest/gtest.h>

#include "tests/frontend/mailing_list_fixture.hpp"
#include "tests/support/child_process.hpp"

namespace {

using frontend::MailingListDecision;
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

TEST_F(LaunchRules, FirstLaunchRecordsInstallDateAndCountAndStaysHidden) {
  auto manager = makeManager();
  manager->recordLaunch();
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.installDate"), Date{kStart});
  EXPECT_EQ(suite.integer("mailingList.co.corvan.nimbrel.launchCount"), 1);
  ASSERT_EQ(timer.calls.size(), 1u);
  EXPECT_EQ(timer.calls[0]->seconds, 2.5);
  timer.fireAll();
  EXPECT_FALSE(manager->isPresented());
  EXPECT_FALSE(suite.object("mailingList.co.corvan.nimbrel.lastShownAt"));
}

TEST_F(LaunchRules, ThirdLaunchOnTheFirstDayShowsThePromptAfterTheDelay) {
  EXPECT_FALSE(launch());
  now += 3600;
  EXPECT_FALSE(launch());
  now += 3600;
  auto manager = makeManager();
  manager->recordLaunch();
  EXPECT_FALSE(manager->isPresented()) << "not before the window has been on screen a moment";
  timer.fireAll();
  EXPECT_TRUE(manager->isPresented());
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.lastShownAt"), Date{now});
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.installDate"), Date{kStart}) << "install date kept";
}

TEST_F(LaunchRules, SecondLaunchTwoDaysLaterShowsThePrompt) {
  EXPECT_FALSE(launch());
  now += 2 * kDay - 1;
  EXPECT_FALSE(launch());
  now += 1;
  EXPECT_TRUE(launch());
}

TEST_F(LaunchRules, PromptIsShownOncePerQualifyingLaunchNotRepeatedly) {
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 10);
  auto manager = makeManager();
  int changes = 0;
  manager->observe([&] { ++changes; });
  manager->maybePresent();
  EXPECT_TRUE(manager->isPresented());
  EXPECT_EQ(changes, 1);
  manager->dismiss();
  EXPECT_FALSE(manager->isPresented());
  EXPECT_EQ(changes, 2);
}

TEST_F(LaunchRules, ClosingTheProgramBeforeTheDelayCancelsTheCheck) {
  auto manager = makeManager();
  manager->recordLaunch();
  manager.reset();
  ASSERT_EQ(timer.calls.size(), 1u);
  EXPECT_TRUE(timer.calls[0]->cancelled);
}

// Conditions of the automatic prompt, for a user past the launch thresholds.
struct AutomaticCase {
  const char* name;
  std::optional<std::string> decision;
  std::optional<platform::plist::Value> snoozeUntil;
  bool updating;
  bool shown;
};

class AutomaticPrompt : public mailing_list_testing::MailingListTest,
                        public ::testing::WithParamInterface<AutomaticCase> {};

TEST_P(AutomaticPrompt, FollowsDecisionSnoozeAndUpdater) {
  const auto& c = GetParam();
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  if (c.decision) suite.set(MailingListManager::decisionKey, *c.decision);
  if (c.snoozeUntil) suite.set(MailingListManager::snoozeUntilKey, *c.snoozeUntil);
  auto manager = makeManager();
  manager->isUpdateInProgress = [&] { return c.updating; };
  manager->maybePresent();
  EXPECT_EQ(manager->isPresented(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    MailingList, AutomaticPrompt,
    ::testing::Values(AutomaticCase{"Undecided", std::nullopt, std::nullopt, false, true},
                      AutomaticCase{"UnknownDecisionIsNone", "maybe", std::nullopt, false, true},
                      AutomaticCase{"UpdateRunning", std::nullopt, std::nullopt, true, false},
                      AutomaticCase{"Declined", "declined", std::nullopt, false, false},
                      AutomaticCase{"Subscribed", "subscribed", std::nullopt, false, false},
                      AutomaticCase{"SnoozedUntilTomorrow", "snoozed", Date{kStart + kDay}, false, false},
                      AutomaticCase{"SnoozeOver", "snoozed", Date{kStart}, false, true},
                      AutomaticCase{"SnoozeNotADate", "snoozed", platform::plist::Value("soon"), false, true},
                      AutomaticCase{"SnoozeWithoutDate", "snoozed", std::nullopt, false, true},
                      AutomaticCase{"StaleSnoozeDateAfterReset", "none", Date{kStart + kDay}, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaunchRules, MenuRequestIgnoresThresholdsSnoozeAndUpdaterButNotAFinalAnswer) {
  suite.set(MailingListManager::decisionKey, "snoozed");
  suite.set(MailingListManager::snoozeUntilKey, Date{kStart + kDay});
  auto manager = makeManager();
  manager->isUpdateInProgress = [] { return true; };
  manager->present(false);
  EXPECT_FALSE(manager->isPresented()) << "first launch, first day";
  manager->present(true);
  EXPECT_TRUE(manager->isPresented());
  EXPECT_EQ(suite.date("mailingList.co.corvan.nimbrel.lastShownAt"), Date{kStart});

  manager->decline();
  manager->present(true);
  EXPECT_FALSE(manager->isPresented());
}

TEST_F(LaunchRules, SnoozeLastsFourteenCalendarDaysAcrossAClockChange) {
  auto manager = makeManager();
  manager->present(true);
  manager->snooze();
  EXPECT_FALSE(manager->isPresented());
  EXPECT_FALSE(manager->isOptedOut());
  EXPECT_EQ(manager->decision(), MailingListDecision::snoozed);
  // Berlin moves to summer time on 29 March: fourteen days are one hour short of 14 × 24 hours.
  EXPECT_EQ(suite.date(MailingListManager::snoozeUntilKey), Date{kStart + 14 * kDay - 3600});

  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  now += 13 * kDay;
  manager->maybePresent();
  EXPECT_FALSE(manager->isPresented());
  now += kDay;
  manager->maybePresent();
  EXPECT_TRUE(manager->isPresented());

  manager->snooze();
  EXPECT_EQ(suite.date(MailingListManager::snoozeUntilKey), Date{now + 14 * kDay}) << "a new end date";
}

TEST_F(LaunchRules, DeclineIsFinalAndOptsOut) {
  auto manager = makeManager();
  int changes = 0;
  manager->observe([&] { ++changes; });
  manager->present(true);
  manager->decline();
  EXPECT_EQ(suite.string(MailingListManager::decisionKey), "declined");
  EXPECT_TRUE(manager->isOptedOut());
  EXPECT_FALSE(manager->isPresented());
  EXPECT_GE(changes, 2);
  EXPECT_TRUE(makeManager()->isOptedOut()) << "a later launch remembers";
}

TEST_F(LaunchRules, DaysSinceInstallCountsWholeDays) {
  auto manager = makeManager();
  EXPECT_EQ(manager->daysSinceInstall(), 0) << "no install date";
  suite.set("mailingList.co.corvan.nimbrel.installDate", "yesterday");
  EXPECT_EQ(manager->daysSinceInstall(), 0) << "not a date";
  suite.set("mailingList.co.corvan.nimbrel.installDate", Date{kStart - 2 * kDay + 1});
  EXPECT_EQ(manager->daysSinceInstall(), 1);
  suite.set("mailingList.co.corvan.nimbrel.installDate", Date{kStart - 40 * kDay});
  EXPECT_EQ(manager->daysSinceInstall(), 40);
}

TEST_F(LaunchRules, LaunchesAreCountedPerProgramAndTheAnswerIsShared) {
  auto other = environment();
  other.appIdentifier = "co.corvan.other";
  frontend::MailingListManager otherManager(other);
  otherManager.recordLaunch();
  auto manager = makeManager();
  manager->recordLaunch();
  manager->recordLaunch();
  EXPECT_EQ(suite.integer("mailingList.co.corvan.other.launchCount"), 1);
  EXPECT_EQ(manager->launchCount(), 2);

  otherManager.decline();
  EXPECT_EQ(manager->decision(), MailingListDecision::declined);
  EXPECT_EQ(suite.filePath(), home / "group.Q7XK3N5V1T.co.corvan.shared" / "defaults.plist");
}

TEST_F(LaunchRules, AnotherProcessesSubscriptionIsSeenAtOnce) {
  suite.set("mailingList.co.corvan.nimbrel.launchCount", 5);
  auto manager = makeManager();
  EXPECT_FALSE(manager->isOptedOut());
  testing_support::ChildProcess other(
      {DEFAULTS_WRITER, MailingListManager::appGroupSuiteName, "set", MailingListManager::decisionKey, "subscribed"});
  ASSERT_EQ(other.wait(), 0);
  manager->maybePresent();
  EXPECT_FALSE(manager->isPresented());
  manager->present(true);
  EXPECT_FALSE(manager->isPresented());
  EXPECT_TRUE(makeManager()->isOptedOut());

  // And the other way round: this process's answer reaches the other one.
  manager->decline();
  testing_support::ChildProcess reader(
      {DEFAULTS_WRITER, MailingListManager::appGroupSuiteName, "get", MailingListManager::decisionKey});
  ASSERT_EQ(reader.wait(), 0);
  EXPECT_EQ(reader.output(), "declined");
}

TEST_F(LaunchRules, CorruptSuiteReadsAsUndecidedAndIsNotDestroyed) {
  testing_support::writeFile(suite.filePath(), "not a property list");
  auto manager = makeManager();
  EXPECT_EQ(manager->decision(), MailingListDecision::none);
  manager->recordLaunch();
  EXPECT_EQ(manager->launchCount(), 1);
  bool keptAside = false;
  for (const auto& entry : std::filesystem::directory_iterator(suite.filePath().parent_path())) {
    keptAside |= entry.path().filename().string().starts_with("defaults.plist.corrupt-");
  }
  EXPECT_TRUE(keptAside);
}

}  // namespace
