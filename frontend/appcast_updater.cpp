#include "frontend/appcast_updater.hpp"

#include <algorithm>
#include <system_error>

#include "platform/dispatch.hpp"
#include "platform/url.hpp"

namespace frontend {

using platform::plist::Date;

bool isAcceptableFeedURL(const std::string& text) {
  auto url = platform::Url::parse(text);
  if (!url || url->host().empty()) return false;
  std::string scheme = platform::asciiLower(url->scheme());
  if (scheme == "https") return true;
  std::string host = platform::asciiLower(url->host());
  return scheme == "http" && (host == "127.0.0.1" || host == "localhost" || host == "::1" || host == "[::1]");
}

UpdateCheckOutcome evaluateFeedResponse(const platform::HttpResponse& response, const std::string& installedVersion) {
  using Kind = UpdateCheckOutcome::Kind;
  if (response.transportFailed()) {
    std::string reason = response.error.empty() ? "no answer" : response.error;
    return {Kind::failed, std::nullopt, "The update server could not be reached (" + reason + ")."};
  }
  if (response.status < 200 || response.status > 299) {
    return {Kind::failed, std::nullopt, "The update server answered " + std::to_string(response.status) + "."};
  }
  try {
    auto newer = newestUpdate(parseAppcast(response.body.value_or("")), installedVersion);
    if (newer) return {Kind::updateFound, std::move(newer), {}};
    return {Kind::upToDate, std::nullopt, {}};
  } catch (const AppcastError& error) {
    return {Kind::failed, std::nullopt, error.what()};
  }
}

AppcastUpdater::AppcastUpdater(UpdaterEnvironment environment, UpdaterUserDriver& driver)
    : env_(std::move(environment)), driver_(driver), self_(std::make_shared<AppcastUpdater*>(this)) {
  if (env_.feedURL && !isAcceptableFeedURL(*env_.feedURL)) env_.feedURL.reset();
}

AppcastUpdater::~AppcastUpdater() = default;

// Checks are a convenience: a date that cannot be stored only means the next
// check may come sooner.
void AppcastUpdater::store(const char* key, platform::plist::Value value) const {
  try {
    env_.defaults().set(key, std::move(value));
  } catch (const std::system_error&) {
  }
}

void AppcastUpdater::start() {
  if (!hasFeed()) return;
  if (!env_.defaults().date(firstLaunchDateKey)) store(firstLaunchDateKey, env_.now());
  scheduleNextAutomaticCheck();
}

void AppcastUpdater::scheduleNextAutomaticCheck() {
  nextCheck_.reset();
  auto defaults = env_.defaults();
  if (defaults.boolean(automaticChecksKey) == false) return;
  auto first = defaults.date(firstLaunchDateKey);
  if (!first) return;
  double due = first->secondsSince1970 + checkIntervalSeconds;
  if (auto last = defaults.date(lastCheckDateKey)) due = std::max(due, last->secondsSince1970 + checkIntervalSeconds);
  double delay = std::max(0.0, due - env_.now().secondsSince1970);
  nextCheck_ = env_.schedule(delay, [this] { automaticCheckDue(); });
}

void AppcastUpdater::automaticCheckDue() {
  // A session under way reschedules when it ends.
  if (sessionInProgress_) return;
  auto consent = env_.defaults().boolean(automaticChecksKey);
  if (consent == true) {
    check(false);
    return;
  }
  if (consent == false) return;
  setSessionInProgress(true);
  std::weak_ptr<AppcastUpdater*> weak = self_;
  driver_.askAboutAutomaticChecks([weak](std::optional<bool> answer) {
    auto self = weak.lock();
    if (!self) return;
    AppcastUpdater* updater = *self;
    if (answer) updater->store(automaticChecksKey, *answer);
    updater->setSessionInProgress(false);
    if (answer == true) updater->check(false);
  });
}

void AppcastUpdater::checkForUpdates() {
  if (canCheckForUpdates()) check(true);
}

void AppcastUpdater::check(bool userInitiated) {
  nextCheck_.reset();
  setSessionInProgress(true);
  store(lastCheckDateKey, env_.now());

  platform::HttpRequest request;
  request.url = *env_.feedURL;
  request.timeoutSeconds = 30;
  request.maxBodyBytes = maxFeedBytes;
  request.headers.emplace_back("Accept", "application/rss+xml, application/xml, text/xml");
  request.headers.emplace_back("User-Agent", "Nimbrel/" + env_.installedDisplayVersion);
  std::weak_ptr<AppcastUpdater*> weak = self_;
  platform::postToBackground([http = env_.http, request = std::move(request), weak, userInitiated] {
    platform::HttpResponse response = http(request);
    platform::postToMain([weak, response = std::move(response), userInitiated] {
      if (auto self = weak.lock()) (*self)->finishCheck(response, userInitiated);
    });
  });
}

void AppcastUpdater::finishCheck(const platform::HttpResponse& response, bool userInitiated) {
  UpdateCheckOutcome outcome = evaluateFeedResponse(response, env_.installedVersion);
  std::weak_ptr<AppcastUpdater*> weak = self_;
  auto closed = [weak] {
    if (auto self = weak.lock()) (*self)->endSession();
  };
  switch (outcome.kind) {
    case UpdateCheckOutcome::Kind::updateFound:
      driver_.showUpdateFound(*outcome.item, closed);
      return;
    case UpdateCheckOutcome::Kind::upToDate:
      if (userInitiated) return driver_.showUpToDate(env_.installedDisplayVersion, closed);
      break;
    case UpdateCheckOutcome::Kind::failed:
      if (userInitiated) return driver_.showCheckFailed(outcome.message, closed);
      break;
  }
  endSession();
}

void AppcastUpdater::endSession() {
  setSessionInProgress(false);
  scheduleNextAutomaticCheck();
}

void AppcastUpdater::setSessionInProgress(bool value) {
  if (sessionInProgress_ == value) return;
  sessionInProgress_ = value;
  changed();
}

}  // namespace frontend
