#pragma once
// The generator's persisted signing and window-style settings, read and written
// straight through the standard user defaults (nothing cached).

#include <functional>
#include <string>

#include "builder/app_generator.hpp"
#include "platform/user_defaults.hpp"

namespace frontend {

class SigningSettings {
 public:
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

  // Observers run on every write made through this object (the views re-read).
  using Observer = std::function<void()>;
  int observe(Observer observer);
  void unobserve(int token);

 private:
  platform::UserDefaults defaults_;
  // implementation adds its observer storage here
};

}  // namespace frontend
