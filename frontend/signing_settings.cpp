#include "frontend/signing_settings.hpp"

#include <system_error>

namespace frontend {

SigningSettings& SigningSettings::shared() {
  static SigningSettings instance(platform::UserDefaults::standard());
  return instance;
}

SigningSettings::SigningSettings(platform::UserDefaults defaults) : defaults_(std::move(defaults)) {}

// A setting that cannot be stored simply keeps its old value; the observers
// still run, so a view re-reading the store shows what really holds.
void SigningSettings::store(const char* key, platform::plist::Value value) {
  try {
    defaults_.set(key, std::move(value));
  } catch (const std::system_error&) {
  }
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
