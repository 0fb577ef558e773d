#include "frontend/mailing_list_environment.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/dispatch.hpp"
#include "frontend/mailing_list_manager.hpp"
#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

using frontend::Calendar;
using platform::plist::Date;

constexpr double kDay = 86400;
// Saturday 28 March 2026, 12:00 in Berlin (UTC+1); the clocks go forward that night.
constexpr double kBeforeClockChange = 1774695600;

TEST(MailingListCalendar, DaysFollowTheWallClockAcrossDaylightSaving) {
  Calendar berlin("Europe/Berlin");
  EXPECT_EQ(berlin.timeZoneIdentifier(), "Europe/Berlin");
  // Noon to noon is 23 hours that night, and still one day.
  EXPECT_EQ(berlin.wholeDaysBetween(Date{kBeforeClockChange}, Date{kBeforeClockChange + kDay - 3600}), 1);
  EXPECT_EQ(berlin.wholeDaysBetween(Date{kBeforeClockChange}, Date{kBeforeClockChange + kDay - 3601}), 0);
  EXPECT_EQ(berlin.addDays(Date{kBeforeClockChange}, 1), Date{kBeforeClockChange + kDay - 3600});

  Calendar utc("UTC");
  EXPECT_EQ(utc.wholeDaysBetween(Date{kBeforeClockChange}, Date{kBeforeClockChange + kDay - 3600}), 0);
  EXPECT_EQ(utc.wholeDaysBetween(Date{kBeforeClockChange + 3 * kDay}, Date{kBeforeClockChange}), -3);
  EXPECT_EQ(utc.addDays(Date{0.5}, 14), Date{14 * kDay + 0.5});
}

TEST(MailingListCalendar, DatesOutsideTheCalendarDoNotBreakIt) {
  Calendar utc("UTC");
  EXPECT_FALSE(utc.addDays(Date{1e300}, 14));
  EXPECT_FALSE(utc.addDays(Date{253402300000.0}, 14)) << "past the year 9999";
  EXPECT_GT(utc.wholeDaysBetween(Date{0}, Date{1e300}), 1000000);
  EXPECT_EQ(utc.wholeDaysBetween(Date{0}, Date{std::nan("")}), 0);
}

TEST(MailingListCalendar, UnknownTimeZoneFallsBackToUTC) {
  EXPECT_EQ(Calendar("Nowhere/Special").addDays(Date{0}, 1), Date{kDay});
}

TEST(MailingListLocale, RegionComesFromTheLocaleName) {
  struct {
    const char* name;
    std::optional<std::string> region;
  } cases[] = {{"en_GB.UTF-8", "GB"}, {"de_at@euro", "AT"}, {"es_419.UTF-8", "419"}, {"C.UTF-8", std::nullopt},
               {"POSIX", std::nullopt}, {"fr", std::nullopt}, {"en_", std::nullopt}, {"xx_ABCD", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(frontend::regionOfLocaleName(c.name), c.region) << c.name;

  testing_support::ScopedEnv all("LC_ALL", std::nullopt);
  testing_support::ScopedEnv messages("LC_MESSAGES", "pt_BR.UTF-8");
  testing_support::ScopedEnv lang("LANG", "en_US.UTF-8");
  EXPECT_EQ(frontend::currentRegionCode(), "BR");
}

TEST(MailingListLocale, RegionNamesAreEnglishOrTheBareCode) {
  EXPECT_EQ(frontend::englishRegionName("DE"), "Germany");
  EXPECT_EQ(frontend::englishRegionName("GB"), "United Kingdom");
  EXPECT_EQ(frontend::englishRegionName("419"), "Latin America");
  EXPECT_EQ(frontend::englishRegionName("QQ"), "QQ");
}

TEST(MailingListScheduler, DelayedCallRunsOnTheMainLoopUnlessCancelled) {
  bool cancelledRan = false, droppedRan = false, ran = false;
  auto cancelled = frontend::scheduleOnMain(0, [&] { cancelledRan = true; });
  frontend::scheduleOnMain(0, [&] { droppedRan = true; });  // the handle goes at once
  auto kept = frontend::scheduleOnMain(0, [&] { ran = true; });
  cancelled->cancel();
  platform::runMainLoopUntil([&] { return ran; });
  EXPECT_FALSE(cancelledRan);
  EXPECT_FALSE(droppedRan);
  kept->cancel();  // after it ran: nothing happens
  kept.reset();
}

}  // namespace

namespace {

TEST(MailingListSystem, IdentifiesTheProgramByItsBundleAndStoresInTheSharedSuite) {
  testing_support::TempDir dir;
  testing_support::ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());
  testing_support::writeFile(
      dir / "N.app/Contents/Info.plist",
      platform::plist::toXML(platform::plist::Dictionary{{"CFBundleIdentifier", "co.corvan.nimbrel"}}));
  {
    testing_support::ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "N.app").string());
    auto env = frontend::MailingListEnvironment::system();
    EXPECT_EQ(env.appIdentifier, "co.corvan.nimbrel");
    EXPECT_EQ(env.defaults().domain(), "group.Q7XK3N5V1T.co.corvan.shared");
    EXPECT_EQ(env.appSecret, "Brakmoor-2031");
    EXPECT_TRUE(env.makerSite.starts_with("https://")) << env.makerSite;
  }
  testing_support::ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "None.app").string());
  EXPECT_EQ(frontend::MailingListEnvironment::system().appIdentifier, "unknown.app");
}

}  // namespace
