#include "frontend/mailing_list_environment.hpp"

#include <glib.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "platform/text.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace frontend {

using platform::plist::Date;

struct Calendar::Zone {
  GTimeZone* tz = nullptr;
  ~Zone() {
    if (tz) g_time_zone_unref(tz);
  }
};

namespace {

struct DateTimeDeleter {
  void operator()(GDateTime* dt) const { g_date_time_unref(dt); }
};
using DateTime = std::unique_ptr<GDateTime, DateTimeDeleter>;

DateTime toDateTime(Date date, GTimeZone* tz) {
  if (!std::isfinite(date.secondsSince1970)) return nullptr;
  double whole = std::floor(date.secondsSince1970);
  // Far outside what GDateTime covers (years 1 to 9999): leave it to the caller.
  if (std::abs(whole) > 3e11) return nullptr;
  DateTime utc(g_date_time_new_from_unix_utc(static_cast<gint64>(whole)));
  if (!utc) return nullptr;
  DateTime exact(g_date_time_add(utc.get(), static_cast<GTimeSpan>((date.secondsSince1970 - whole) * 1e6)));
  if (!exact) return nullptr;
  return DateTime(g_date_time_to_timezone(exact.get(), tz));
}

Date toDate(GDateTime* dt) {
  return Date{static_cast<double>(g_date_time_to_unix(dt)) + g_date_time_get_microsecond(dt) / 1e6};
}

}  // namespace

Calendar::Calendar(const std::string& timeZoneIdentifier) : zone_(std::make_unique<Zone>()) {
  zone_->tz =
      timeZoneIdentifier.empty() ? g_time_zone_new_local() : g_time_zone_new_identifier(timeZoneIdentifier.c_str());
  if (!zone_->tz) zone_->tz = g_time_zone_new_utc();
}

Calendar::~Calendar() = default;

std::string Calendar::timeZoneIdentifier() const { return ianaTimeZoneName(g_time_zone_get_identifier(zone_->tz)); }

std::string ianaTimeZoneName(std::string_view identifier, const std::filesystem::path& timezoneFile) {
  std::string_view name = identifier;
  if (name.starts_with(':')) name.remove_prefix(1);  // POSIX: TZ=":file"
  if (!name.empty() && name.front() != '/') return std::string(name);
  const std::filesystem::path file = name.empty() ? "/etc/localtime" : std::filesystem::path(name);
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::canonical(file, ec);
  const std::string path = (ec ? file : resolved).string();
  for (std::string_view marker : {"/zoneinfo/posix/", "/zoneinfo/right/", "/zoneinfo/"}) {
    if (auto at = path.find(marker); at != std::string::npos) return path.substr(at + marker.size());
  }
  std::ifstream recorded(timezoneFile);
  std::string line;
  if (std::getline(recorded, line)) {
    line = std::string(platform::trimmedWhitespaceAndNewlines(line));
    if (!line.empty() && line.front() != '/' && line.front() != ':') return line;
  }
  return "UTC";
}

std::optional<Date> Calendar::addDays(Date date, int days) const {
  DateTime dt = toDateTime(date, zone_->tz);
  if (!dt) return std::nullopt;
  DateTime later(g_date_time_add_days(dt.get(), days));
  if (!later) return std::nullopt;
  return toDate(later.get());
}

long Calendar::wholeDaysBetween(Date from, Date to) const {
  if (!std::isfinite(from.secondsSince1970) || !std::isfinite(to.secondsSince1970)) return 0;
  if (to.secondsSince1970 < from.secondsSince1970) return -wholeDaysBetween(to, from);
  double estimate = std::floor((to.secondsSince1970 - from.secondsSince1970) / 86400.0);
  // Far apart or not representable: plain 24-hour days are exact enough.
  if (!(estimate < 3e6)) return 3000000;
  long days = static_cast<long>(estimate);
  DateTime start = toDateTime(from, zone_->tz);
  if (!start) return days;
  auto reached = [&](long n) {
    DateTime moved(g_date_time_add_days(start.get(), static_cast<gint>(n)));
    return moved && toDate(moved.get()).secondsSince1970 <= to.secondsSince1970;
  };
  // A day around a daylight-saving change is 23 or 25 hours long.
  while (reached(days + 1)) ++days;
  while (days > 0 && !reached(days)) --days;
  return days;
}

std::optional<std::string> regionOfLocaleName(const std::string& name) {
  auto underscore = name.find('_');
  if (underscore == std::string::npos) return std::nullopt;
  std::string region = name.substr(underscore + 1);
  region = region.substr(0, region.find_first_of(".@"));
  bool letters =
      region.size() == 2 && std::all_of(region.begin(), region.end(), [](char c) { return g_ascii_isalpha(c); });
  bool digits =
      region.size() == 3 && std::all_of(region.begin(), region.end(), [](char c) { return g_ascii_isdigit(c); });
  if (!letters && !digits) return std::nullopt;
  for (char& c : region) c = g_ascii_toupper(c);
  return region;
}

std::optional<std::string> currentRegionCode() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return regionOfLocaleName(value);
  }
  return std::nullopt;
}

std::string englishRegionName(const std::string& regionCode) {
  icu::UnicodeString name;
  icu::Locale("und", regionCode.c_str()).getDisplayCountry(icu::Locale("en", "US"), name);
  std::string text;
  name.toUTF8String(text);
  return text.empty() ? regionCode : text;
}

namespace {

// Shared by the handle and the GLib source, so whichever goes first is safe.
struct MainTimeout {
  std::function<void()> task;
  guint source = 0;
  bool finished = false;
};

class MainPendingCall : public PendingCall {
 public:
  explicit MainPendingCall(std::shared_ptr<MainTimeout> state) : state_(std::move(state)) {}
  ~MainPendingCall() override { cancel(); }
  void cancel() override {
    if (state_->finished) return;
    state_->finished = true;
    g_source_remove(state_->source);
  }

 private:
  std::shared_ptr<MainTimeout> state_;
};

gboolean fireTimeout(gpointer data) {
  auto state = *static_cast<std::shared_ptr<MainTimeout>*>(data);
  if (!state->finished) {
    state->finished = true;
    state->task();
  }
  return G_SOURCE_REMOVE;
}

void freeTimeout(gpointer data) { delete static_cast<std::shared_ptr<MainTimeout>*>(data); }

}  // namespace

platform::plist::Date systemNow() {
  auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return platform::plist::Date{std::chrono::duration<double>(sinceEpoch).count()};
}

std::unique_ptr<PendingCall> scheduleOnMain(double seconds, std::function<void()> task) {
  auto state = std::make_shared<MainTimeout>();
  state->task = std::move(task);
  auto milliseconds = static_cast<guint>(std::clamp(seconds, 0.0, 86400.0) * 1000);
  state->source = g_timeout_add_full(G_PRIORITY_DEFAULT, milliseconds, fireTimeout,
                                     new std::shared_ptr<MainTimeout>(state), freeTimeout);
  return std::make_unique<MainPendingCall>(state);
}

}  // namespace frontend
