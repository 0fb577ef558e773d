#pragma once
// The update checker: reads the appcast feed named at build time, compares
// its newest item with the running version and tells the user. Nimbrel never
// installs anything itself: a newer version is offered as a page to open,
// and packages come from the user's package manager.
//
// Automatic checks, as update checkers on the desktop usually do them: none
// on the first launch; when the first one falls due (a day after the first
// launch) the user is asked once whether to check automatically, and the
// answer is kept; then at most one check a day, counting manual checks.
// An automatic check speaks up only when it finds a newer version.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "frontend/appcast.hpp"
#include "frontend/mailing_list_environment.hpp"
#include "frontend/updater.hpp"
#include "platform/http.hpp"
#include "platform/user_defaults.hpp"

namespace frontend {

// The dialogs. Each call shows one; `closed` runs once when it goes away.
class UpdaterUserDriver {
 public:
  virtual ~UpdaterUserDriver() = default;
  virtual void showUpToDate(const std::string& installedVersion, std::function<void()> closed) = 0;
  virtual void showUpdateFound(const AppcastItem& item, std::function<void()> closed) = 0;
  virtual void showCheckFailed(const std::string& message, std::function<void()> closed) = 0;
  // The answer, or nothing when the question was closed unanswered (asked again next launch).
  virtual void askAboutAutomaticChecks(std::function<void(std::optional<bool>)> answered) = 0;
};

struct UpdaterEnvironment {
  std::optional<std::string> feedURL;  // nothing: no checks at all
  std::string installedVersion;        // compared with the items' versions
  std::string installedDisplayVersion;
  std::function<platform::UserDefaults()> defaults;
  std::function<platform::plist::Date()> now;
  // Blocking; runs on a background worker.
  std::function<platform::HttpResponse(const platform::HttpRequest&)> http;
  Scheduler schedule;

  // The running program: feed and versions from the main bundle's Info.plist.
  static UpdaterEnvironment system();
};

// What one answer of the feed means.
struct UpdateCheckOutcome {
  enum class Kind { upToDate, updateFound, failed };
  Kind kind = Kind::upToDate;
  std::optional<AppcastItem> item;  // for updateFound
  std::string message;              // for failed
};
UpdateCheckOutcome evaluateFeedResponse(const platform::HttpResponse& response, const std::string& installedVersion);

// https anywhere, plain http only to this machine (a test's loopback feed).
bool isAcceptableFeedURL(const std::string& url);

class AppcastUpdater final : public Updater {
 public:
  static constexpr const char* automaticChecksKey = "updates.automaticChecks";
  static constexpr const char* lastCheckDateKey = "updates.lastCheckDate";
  static constexpr const char* firstLaunchDateKey = "updates.firstLaunchDate";
  static constexpr double checkIntervalSeconds = 86400;
  static constexpr std::size_t maxFeedBytes = 4 << 20;

  AppcastUpdater(UpdaterEnvironment environment, UpdaterUserDriver& driver);
  ~AppcastUpdater() override;

  void start() override;
  void checkForUpdates() override;
  bool canCheckForUpdates() const override { return hasFeed() && !sessionInProgress_; }
  bool sessionInProgress() const override { return sessionInProgress_; }

 private:
  bool hasFeed() const { return env_.feedURL.has_value(); }
  void scheduleNextAutomaticCheck();
  void automaticCheckDue();
  void check(bool userInitiated);
  void finishCheck(const platform::HttpResponse& response, bool userInitiated);
  void endSession();
  void setSessionInProgress(bool value);
  void store(const char* key, platform::plist::Value value) const;

  UpdaterEnvironment env_;
  UpdaterUserDriver& driver_;
  bool sessionInProgress_ = false;
  std::unique_ptr<PendingCall> nextCheck_;
  std::shared_ptr<AppcastUpdater*> self_;  // lets answers and dialogs find a live updater
};

}  // namespace frontend
