#pragma once
// The newsletter prompt's state: when to ask, what the user answered, and the
// subscription request. The answer lives in a defaults suite shared by all of
// the maker's programs on this machine, so one answer covers every one of them;
// launch counts and dates are kept per program. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "frontend/change_signal.hpp"
#include "frontend/mailing_list_environment.hpp"
#include "platform/url.hpp"

namespace frontend {

struct SubmitStatus {
  enum class Kind { idle, submitting, success, failure };
  Kind kind = Kind::idle;
  std::string message;  // the text shown for a failure

  static SubmitStatus idle() { return {}; }
  static SubmitStatus submitting() { return {Kind::submitting, {}}; }
  static SubmitStatus success() { return {Kind::success, {}}; }
  static SubmitStatus failure(std::string message) { return {Kind::failure, std::move(message)}; }
  bool operator==(const SubmitStatus&) const = default;
};

enum class MailingListDecision { none, snoozed, declined, subscribed };

class MailingListManager {
 public:
  static constexpr const char* appGroupSuiteName = "group.Q7XK3N5V1T.co.corvan.shared";
  static constexpr const char* appSecret = "Brakmoor-2031";
  static constexpr const char* decisionKey = "mailingList.shared.decision";
  static constexpr const char* snoozeUntilKey = "mailingList.shared.snoozeUntil";
  static constexpr double presentDelaySeconds = 2.5;
  static constexpr double autoDismissSeconds = 3.5;
  static constexpr int snoozeDays = 14;

  // The process's instance, over the system's services.
  static MailingListManager& shared();
  explicit MailingListManager(MailingListEnvironment environment);
  ~MailingListManager();
  MailingListManager(const MailingListManager&) = delete;
  MailingListManager& operator=(const MailingListManager&) = delete;

  bool isPresented() const { return isPresented_; }
  const SubmitStatus& status() const { return status_; }
  bool isOptedOut() const { return isOptedOut_; }

  // Replaced by the shell with "is the updater busy"; the automatic prompt
  // stays away while it answers true.
  std::function<bool()> isUpdateInProgress = [] { return false; };

  std::string subscribeEndpoint() const;
  // Nothing when the configured site does not make a valid address.
  std::optional<platform::Url> privacyPolicyURL() const;

  void recordLaunch();
  void maybePresent();
  void present(bool force);
  void snooze();
  void decline();
  // Starts the request and returns; `status` follows it.
  void submit(const std::string& email);
  // "Done", or the sheet closed by other means.
  void dismiss();
  // The sheet went away: the next one starts afresh.
  void promptDisappeared();
  // For the success view: hides the prompt after a while unless cancelled first.
  std::unique_ptr<PendingCall> scheduleAutoDismiss();

  MailingListDecision decision() const;
  long daysSinceInstall() const;
  std::int64_t launchCount() const;
  // "mailingList.<app identifier><suffix>"
  std::string perAppKey(const std::string& suffix) const;

  [[nodiscard]] Connection observe(ChangeSignal::Observer observer) { return changed_.connect(std::move(observer)); }

 private:
  void store(const std::string& key, platform::plist::Value value) const;
  bool belowThresholds() const;
  void show();
  void setPresented(bool value);
  void setStatus(SubmitStatus value);
  void finishSubmit(const platform::HttpResponse& response);

  MailingListEnvironment env_;
  bool isPresented_ = false;
  SubmitStatus status_;
  bool isOptedOut_ = false;
  std::unique_ptr<PendingCall> pendingPresent_;
  std::shared_ptr<MailingListManager*> self_;  // lets finished requests find a live manager
  ChangeSignal changed_;
};

// The shared suite, or the standard defaults when the suite cannot be opened.
platform::UserDefaults mailingListDefaults();

// Trims white space and line breaks (any Unicode space) from both ends.
std::string trimWhitespace(const std::string& text);

// The subscription's JSON body; "country" only when there is a region.
std::string subscribeRequestBody(const std::string& email, const std::string& app, const std::string& timeZone,
                                 const std::optional<std::string>& regionCode);

// What an answer of the endpoint means for the prompt.
SubmitStatus submitStatusFor(const platform::HttpResponse& response);

}  // namespace frontend
