#include "frontend/mailing_list_environment.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

using frontend::Calendar;
using platform::plist::Date;

constexpr double kDay = 86400;
// Saturday 28 March 2026, 12:00 in Berlin (UTC+1); the clocks go forward that night.
constexpr double kBeforeClockChange = 1774695600;

// Noon to noon is 23 hours the night Berlin's clocks go forward, and still one
// day; unknown zones are UTC; dates beyond the calendar neither crash nor wrap.
TEST(MailingListCalendar, DaysFollowTheWallClockOfItsTimeZone) {
  Calendar berlin("Europe/Berlin"), utc("Nowhere/Special");
  EXPECT_EQ(berlin.wholeDaysBetween(Date{kBeforeClockChange}, Date{kBeforeClockChange + kDay - 3600}), 1);
  EXPECT_EQ(utc.wholeDaysBetween(Date{kBeforeClockChange}, Date{kBeforeClockChange + kDay - 3600}), 0);
  EXPECT_FALSE(utc.addDays(Date{1e300}, 14));
  EXPECT_GT(utc.wholeDaysBetween(Date{0}, Date{1e300}), 1000000);
  EXPECT_EQ(utc.wholeDaysBetween(Date{0}, Date{std::nan("")}), 0);
}

// The "tz" sent is a zone name, whatever form TZ or the system gives it in.
TEST(MailingListCalendar, TimeZoneIsAnIanaNameNeverAPath) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "zoneinfo/Europe/Berlin", "TZif");
  std::filesystem::create_symlink(dir / "zoneinfo/Europe/Berlin", dir / "localtime");
  testing_support::writeFile(dir / "copied", "TZif");
  testing_support::writeFile(dir / "timezone", "Asia/Tokyo\n");
  using Case = std::pair<std::string, const char*>;
  for (const auto& [identifier, name] :
       {Case{"America/New_York", "America/New_York"}, Case{":Europe/Paris", "Europe/Paris"},
        Case{":" + (dir / "localtime").string(), "Europe/Berlin"},
        Case{"/usr/share/zoneinfo/posix/Europe/Rome", "Europe/Rome"},
        Case{":" + (dir / "copied").string(), "Asia/Tokyo"}}) {
    EXPECT_EQ(frontend::ianaTimeZoneName(identifier, dir / "timezone"), name) << identifier;
  }
  EXPECT_EQ(frontend::ianaTimeZoneName(":" + (dir / "copied").string(), dir / "missing"), "UTC");
  testing_support::ScopedEnv tz("TZ", ":/etc/localtime");
  const std::string local = Calendar().timeZoneIdentifier();
  EXPECT_TRUE(!local.empty() && local.front() != ':' && local.front() != '/') << local;
}

}  // namespace
