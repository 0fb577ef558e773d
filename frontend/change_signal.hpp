#pragma once
// The change notification of an observable model: views connect a callback
// and re-read whatever they show when it runs. Main thread only.

#include <functional>
#include <map>

namespace frontend {

class ChangeSignal {
 public:
  using Observer = std::function<void()>;

  int connect(Observer observer) {
    observers_.emplace(++lastToken_, std::move(observer));
    return lastToken_;
  }
  void disconnect(int token) { observers_.erase(token); }

  // Observers may connect or disconnect while it runs; a copy is notified.
  void emit() const {
    auto observers = observers_;
    for (const auto& [token, observer] : observers) {
      if (observers_.count(token)) observer();
    }
  }

 private:
  std::map<int, Observer> observers_;
  int lastToken_ = 0;
};

}  // namespace frontend
