#pragma once
// What the mailing-list prompt needs from the system, each behind a small
// interface so tests run on a fixed clock, a fake timer and a loopback server.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.hpp"
#include "platform/plist.hpp"
#include "platform/user_defaults.hpp"

namespace frontend {

// A delayed call on the main thread; cancelling, or dropping the handle, stops it.
class PendingCall {
 public:
  virtual ~PendingCall() = default;
  virtual void cancel() = 0;
};
using Scheduler = std::function<std::unique_ptr<PendingCall>(double seconds, std::function<void()> task)>;

// Calendar arithmetic in one time zone, so a "day" follows the wall clock
// across daylight-saving changes.
class Calendar {
 public:
  // Local time zone when `timeZoneIdentifier` is empty.
  explicit Calendar(const std::string& timeZoneIdentifier = "");
  ~Calendar();
  Calendar(const Calendar&) = delete;
  Calendar& operator=(const Calendar&) = delete;

  // Nothing when the result cannot be represented.
  std::optional<platform::plist::Date> addDays(platform::plist::Date date, int days) const;
  // Whole days from `from` to `to` (negative when `to` is earlier).
  long wholeDaysBetween(platform::plist::Date from, platform::plist::Date to) const;
  // The zone's IANA name ("Europe/Berlin"), never a path.
  std::string timeZoneIdentifier() const;

 private:
  struct Zone;
  std::unique_ptr<Zone> zone_;
};

// The IANA name of a zone as GLib identifies it: a name stays as it is; a
// file (":/etc/localtime", a path into a zoneinfo folder, or nothing for the
// system's zone) gives the name it is, or links to, below "zoneinfo/"; a
// copied file gives the name recorded in `timezoneFile`; else "UTC".
std::string ianaTimeZoneName(std::string_view identifier,
                             const std::filesystem::path& timezoneFile = "/etc/timezone");

struct MailingListEnvironment {
  std::function<platform::UserDefaults()> defaults;  // opened afresh on every access
  std::function<platform::plist::Date()> now;
  std::shared_ptr<const Calendar> calendar;
  std::function<std::optional<std::string>()> regionCode;  // of the current locale
  // Blocking; runs on a background worker.
  std::function<platform::HttpResponse(const platform::HttpRequest&)> http;
  Scheduler schedule;
  std::string appIdentifier;             // the main bundle's, or "unknown.app"
  std::string makerSite;                 // scheme and host of the subscribe endpoint and privacy page
  std::optional<std::string> appSecret;  // sent as "X-App-Secret" when set

  // The running program's services, with the maker's site chosen at build time.
  static MailingListEnvironment system();
};

// Region code of a POSIX locale name ("en_GB.UTF-8" → "GB"); nothing for "C",
// "POSIX" or a bare language.
std::optional<std::string> regionOfLocaleName(const std::string& name);
// The region code of the locale in force (LC_ALL, LC_MESSAGES, LANG).
std::optional<std::string> currentRegionCode();
// The region's English name, or the code itself when none is known.
std::string englishRegionName(const std::string& regionCode);

// The wall clock.
platform::plist::Date systemNow();

// Runs on the default main context after `seconds`.
std::unique_ptr<PendingCall> scheduleOnMain(double seconds, std::function<void()> task);

}  // namespace frontend
