#include "frontend/signing_settings.hpp"

#include <gio/gio.h>

#include <system_error>

#include "platform/gobject_ptr.hpp"

namespace frontend {

// Writers replace defaults.plist by renaming a new file over it, so the
// monitor watches the name in its folder (which need not exist yet). What it
// reports is compared with the last stored values seen, so a write of our
// own, or an event that changed nothing, is not announced twice.
struct SigningSettings::Watch {
  platform::GRef<GFileMonitor> monitor;
  gulong handler = 0;
  platform::plist::Dictionary lastSeen;

  ~Watch() {
    if (handler) g_signal_handler_disconnect(monitor.get(), handler);
  }
  static void fileChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer settings) {
    if (event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT || event == G_FILE_MONITOR_EVENT_CREATED ||
        event == G_FILE_MONITOR_EVENT_DELETED || event == G_FILE_MONITOR_EVENT_RENAMED ||
        event == G_FILE_MONITOR_EVENT_MOVED_IN) {
      static_cast<SigningSettings*>(settings)->storedValuesMayHaveChanged();
    }
  }
};

SigningSettings& SigningSettings::shared() {
  static SigningSettings instance(platform::UserDefaults::standard());
  return instance;
}

SigningSettings::SigningSettings(platform::UserDefaults defaults) : defaults_(std::move(defaults)) {}

SigningSettings::~SigningSettings() = default;

Connection SigningSettings::observe(Observer observer) {
  if (!watch_) {
    watch_ = std::make_unique<Watch>();
    watch_->lastSeen = defaults_.dictionary();
    auto file = platform::adoptGRef(g_file_new_for_path(defaults_.filePath().c_str()));
    watch_->monitor = platform::adoptGRef(g_file_monitor_file(file.get(), G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr));
    if (watch_->monitor) {
      watch_->handler = g_signal_connect(watch_->monitor.get(), "changed", G_CALLBACK(Watch::fileChanged), this);
    }
  }
  return changed_.connect(std::move(observer));
}

void SigningSettings::storedValuesMayHaveChanged() {
  auto now = defaults_.dictionary();
  if (watch_ && now == watch_->lastSeen) return;
  if (watch_) watch_->lastSeen = std::move(now);
  changed_.emit();
}

// A setting that cannot be stored simply keeps its old value; the observers
// still run, so a view re-reading the store shows what really holds.
void SigningSettings::store(const char* key, platform::plist::Value value) {
  try {
    defaults_.set(key, std::move(value));
  } catch (const std::system_error&) {
  }
  if (watch_) watch_->lastSeen = defaults_.dictionary();
  changed_.emit();
}

bool SigningSettings::useDeveloperID() const { return defaults_.boolean(useDeveloperIDKey).value_or(false); }
void SigningSettings::setUseDeveloperID(bool value) { store(useDeveloperIDKey, value); }

std::string SigningSettings::identity() const { return defaults_.string(identityKey).value_or(""); }
void SigningSettings::setIdentity(const std::string& value) { store(identityKey, value); }

bool SigningSettings::notarize() const { return defaults_.boolean(notarizeKey).value_or(false); }
void SigningSettings::setNotarize(bool value) { store(notarizeKey, value); }

std::string SigningSettings::notaryProfile() const { return defaults_.string(notaryProfileKey).value_or(""); }
void SigningSettings::setNotaryProfile(const std::string& value) { store(notaryProfileKey, value); }

bool SigningSettings::showTitleBar() const { return defaults_.boolean(showTitleBarKey).value_or(true); }
void SigningSettings::setShowTitleBar(bool value) { store(showTitleBarKey, value); }

std::string trimSpacesAndTabs(const std::string& text) {
  auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

builder::SigningMode SigningSettings::signingMode() const {
  // One read of the file, so the fields can't change under us half way.
  auto dict = defaults_.dictionary();
  using platform::plist::lookup;
  if (!lookup<bool>(dict, useDeveloperIDKey).value_or(false)) return builder::SigningMode::adhoc();
  std::string identity = lookup<std::string>(dict, identityKey).value_or("");
  if (trimSpacesAndTabs(identity).empty()) return builder::SigningMode::adhoc();
  std::optional<std::string> profile;
  std::string storedProfile = lookup<std::string>(dict, notaryProfileKey).value_or("");
  // The profile is tested as stored: a blank one is passed on for the tool to refuse.
  if (lookup<bool>(dict, notarizeKey).value_or(false) && !storedProfile.empty()) profile = storedProfile;
  return builder::SigningMode::developerID(identity, profile);
}

void SigningSettings::applyTo(builder::AppGenerator& request) const {
  request.signing = signingMode();
  request.fullContent = fullContent();
}

}  // namespace frontend
