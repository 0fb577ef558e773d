#pragma once
// The generator's persisted signing and window-style settings, read and written
// straight through the standard user defaults: nothing is cached, so every
// reader sees what is stored at that moment, and an absent key means its default.

#include <memory>

#include "builder/app_generator.hpp"
#include "frontend/change_signal.hpp"
#include "platform/user_defaults.hpp"

namespace frontend {

class SigningSettings {
 public:
  static constexpr const char* useDeveloperIDKey = "signing.useDeveloperID";
  static constexpr const char* identityKey = "signing.identity";
  static constexpr const char* notarizeKey = "signing.notarize";
  static constexpr const char* notaryProfileKey = "signing.notaryProfile";
  static constexpr const char* showTitleBarKey = "general.showTitleBar";

  // The one instance of the process, over the standard defaults.
  static SigningSettings& shared();
  explicit SigningSettings(platform::UserDefaults defaults);

  bool useDeveloperID() const;
  void setUseDeveloperID(bool value);
  std::string identity() const;
  void setIdentity(const std::string& value);
  bool notarize() const;
  void setNotarize(bool value);
  std::string notaryProfile() const;
  void setNotaryProfile(const std::string& value);
  bool showTitleBar() const;
  void setShowTitleBar(bool value);

  builder::SigningMode signingMode() const;
  bool fullContent() const { return !showTitleBar(); }
  // Fills the request fields the settings decide, once, as a build starts.
  void applyTo(builder::AppGenerator& request) const;

  // Observers run once after every change of the stored settings: a write
  // made through this object, or one made by another process (seen from the
  // first observe() on), so the views and the wizard re-read.
  using Observer = ChangeSignal::Observer;
  [[nodiscard]] Connection observe(Observer observer);

  ~SigningSettings();
  SigningSettings(const SigningSettings&) = delete;
  SigningSettings& operator=(const SigningSettings&) = delete;

 private:
  struct Watch;
  void store(const char* key, platform::plist::Value value);
  void storedValuesMayHaveChanged();

  platform::UserDefaults defaults_;
  ChangeSignal changed_;
  std::unique_ptr<Watch> watch_;
};

// Trims spaces and tabs only: a line break in an identity is not blank.
std::string trimSpacesAndTabs(const std::string& text);

}  // namespace frontend
