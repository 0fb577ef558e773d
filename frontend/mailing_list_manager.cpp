#include "frontend/mailing_list_manager.hpp"

#include "platform/text.hpp"

#include <glib.h>

#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/dispatch.hpp"

namespace frontend {

using platform::plist::Date;

namespace {

const char* decisionText(MailingListDecision decision) {
  switch (decision) {
    case MailingListDecision::snoozed:
      return "snoozed";
    case MailingListDecision::declined:
      return "declined";
    case MailingListDecision::subscribed:
      return "subscribed";
    case MailingListDecision::none:
      break;
  }
  return "none";
}

bool isFinal(MailingListDecision decision) {
  return decision == MailingListDecision::declined || decision == MailingListDecision::subscribed;
}

}  // namespace

platform::UserDefaults mailingListDefaults() {
  if (auto suite = platform::UserDefaults::openSuite(MailingListManager::appGroupSuiteName)) return *suite;
  return platform::UserDefaults::standard();
}

std::string trimWhitespace(const std::string& text) {
  return std::string(platform::trimmedWhitespaceAndNewlines(text));
}

std::string subscribeRequestBody(const std::string& email, const std::string& app, const std::string& timeZone,
                                 const std::optional<std::string>& regionCode) {
  nlohmann::json body = {{"email", email}, {"app", app}, {"tz", timeZone}};
  if (regionCode) body["country"] = englishRegionName(*regionCode);
  // Invalid UTF-8 in a field becomes U+FFFD rather than failing the request.
  return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

SubmitStatus submitStatusFor(const platform::HttpResponse& response) {
  if (response.transportFailed() && !response.error.empty()) return SubmitStatus::failure(response.error);
  long code = response.status;
  // 409: the address is on the list already, which is what the user wanted.
  if ((code >= 200 && code <= 299) || code == 409) return SubmitStatus::success();
  if (code == 422) return SubmitStatus::failure("Please check your email address and try again.");
  return SubmitStatus::failure("Server returned " + std::to_string(code) + ". Please try again later.");
}

MailingListManager::MailingListManager(MailingListEnvironment environment)
    : env_(std::move(environment)), self_(std::make_shared<MailingListManager*>(this)) {
  isOptedOut_ = isFinal(decision());
}

MailingListManager::~MailingListManager() = default;

std::string MailingListManager::subscribeEndpoint() const {
  std::string site = env_.makerSite;
  while (!site.empty() && site.back() == '/') site.pop_back();
  return site + "/mailinglist.php";
}

std::optional<platform::Url> MailingListManager::privacyPolicyURL() const {
  std::string site = env_.makerSite;
  while (!site.empty() && site.back() == '/') site.pop_back();
  auto url = platform::Url::parse(site + "/privacy/");
  if (!url || !url->hasScheme() || url->host().empty()) return std::nullopt;
  return url;
}

std::string MailingListManager::perAppKey(const std::string& suffix) const {
  return "mailingList." + env_.appIdentifier + suffix;
}

// The prompt is a courtesy: a value that cannot be stored is simply not
// remembered, and the prompt may come back on a later launch.
void MailingListManager::store(const std::string& key, platform::plist::Value value) const {
  try {
    env_.defaults().set(key, std::move(value));
  } catch (const std::system_error&) {
  }
}

MailingListDecision MailingListManager::decision() const {
  auto text = env_.defaults().string(decisionKey);
  if (text == "snoozed") return MailingListDecision::snoozed;
  if (text == "declined") return MailingListDecision::declined;
  if (text == "subscribed") return MailingListDecision::subscribed;
  return MailingListDecision::none;
}

std::int64_t MailingListManager::launchCount() const {
  return env_.defaults().integer(perAppKey(".launchCount")).value_or(0);
}

long MailingListManager::daysSinceInstall() const {
  auto installed = env_.defaults().date(perAppKey(".installDate"));
  if (!installed) return 0;
  return env_.calendar->wholeDaysBetween(*installed, env_.now());
}

bool MailingListManager::belowThresholds() const { return launchCount() < 3 && daysSinceInstall() < 2; }

void MailingListManager::recordLaunch() {
  if (!env_.defaults().date(perAppKey(".installDate"))) store(perAppKey(".installDate"), env_.now());
  std::int64_t count = launchCount();
  if (count < INT64_MAX) ++count;
  store(perAppKey(".launchCount"), count);
  // Give the window a moment on screen before anything slides over it.
  pendingPresent_ = env_.schedule(presentDelaySeconds, [this] { maybePresent(); });
}

void MailingListManager::maybePresent() {
  MailingListDecision current = decision();
  if (isFinal(current)) return;
  if (isUpdateInProgress && isUpdateInProgress()) return;
  if (current == MailingListDecision::snoozed) {
    auto until = env_.defaults().date(snoozeUntilKey);
    if (until && until->secondsSince1970 > env_.now().secondsSince1970) return;
  }
  if (belowThresholds()) return;
  show();
}

void MailingListManager::present(bool force) {
  if (isFinal(decision())) return;
  if (!force && belowThresholds()) return;
  show();
}

void MailingListManager::show() {
  setPresented(true);
  store(perAppKey(".lastShownAt"), env_.now());
}

void MailingListManager::snooze() {
  Date now = env_.now();
  Date until = env_.calendar->addDays(now, snoozeDays).value_or(now);
  store(decisionKey, decisionText(MailingListDecision::snoozed));
  store(snoozeUntilKey, until);
  setPresented(false);
}

void MailingListManager::decline() {
  store(decisionKey, decisionText(MailingListDecision::declined));
  isOptedOut_ = true;
  isPresented_ = false;
  changed_.emit();
}

void MailingListManager::dismiss() { setPresented(false); }

void MailingListManager::promptDisappeared() { setStatus(SubmitStatus::idle()); }

std::unique_ptr<PendingCall> MailingListManager::scheduleAutoDismiss() {
  return env_.schedule(autoDismissSeconds, [this] { dismiss(); });
}

void MailingListManager::submit(const std::string& email) {
  std::string address = trimWhitespace(email);
  if (address.empty() || address.find('@') == std::string::npos) {
    setStatus(SubmitStatus::failure("Please enter a valid email address."));
    return;
  }
  setStatus(SubmitStatus::submitting());

  platform::HttpRequest request;
  request.method = "POST";
  request.url = subscribeEndpoint();
  request.timeoutSeconds = 60;
  request.headers.emplace_back("Content-Type", "application/json");
  if (env_.appSecret) request.headers.emplace_back("X-App-Secret", *env_.appSecret);
  request.body = subscribeRequestBody(address, env_.appIdentifier, env_.calendar->timeZoneIdentifier(),
                                      env_.regionCode ? env_.regionCode() : std::nullopt);

  std::weak_ptr<MailingListManager*> weak = self_;
  platform::postToBackground([http = env_.http, request = std::move(request), weak] {
    platform::HttpResponse response = http(request);
    platform::postToMain([weak, response = std::move(response)] {
      if (auto self = weak.lock()) (*self)->finishSubmit(response);
    });
  });
}

void MailingListManager::finishSubmit(const platform::HttpResponse& response) {
  SubmitStatus outcome = submitStatusFor(response);
  if (outcome.kind == SubmitStatus::Kind::success) {
    store(decisionKey, decisionText(MailingListDecision::subscribed));
    isOptedOut_ = true;
  }
  setStatus(std::move(outcome));
}

void MailingListManager::setPresented(bool value) {
  if (isPresented_ == value) return;
  isPresented_ = value;
  changed_.emit();
}

void MailingListManager::setStatus(SubmitStatus value) {
  if (status_ == value) return;
  status_ = std::move(value);
  changed_.emit();
}

}  // namespace frontend
