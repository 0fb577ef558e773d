#pragma once
// Process-wide notifications by name, for senders that must not know their
// receivers (the menu command and the title-bar gear post "open the settings";
// the wizard listens). Main thread only.

#include <map>
#include <string>

#include "frontend/change_signal.hpp"

namespace frontend {

inline constexpr const char* showSettingsNotification = "co.corvan.nimbrel.showSettings";

class NotificationCenter {
 public:
  static NotificationCenter& defaultCenter();

  void post(const std::string& name) const;
  [[nodiscard]] Connection addObserver(const std::string& name, ChangeSignal::Observer observer);

 private:
  std::map<std::string, ChangeSignal> signals_;
};

}  // namespace frontend
