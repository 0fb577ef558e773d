#include "frontend/notification_center.hpp"

namespace frontend {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::post(const std::string& name) const {
  auto found = signals_.find(name);
  if (found != signals_.end()) found->second.emit();
}

Connection NotificationCenter::addObserver(const std::string& name, ChangeSignal::Observer observer) {
  return signals_[name].connect(std::move(observer));
}

}  // namespace frontend
