#pragma once
// The change notification of an observable model: views connect a callback
// and re-read whatever they show when it runs. Main thread only.
//
// connect() answers a Connection that disconnects when it goes away, so a
// view that is destroyed is never called. Either side may go first: the
// observer list is shared, and a connection outliving its signal does nothing.

#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace frontend {

template <typename... Args>
class Signal;

class Connection {
 public:
  Connection() = default;
  Connection(Connection&& other) noexcept = default;
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      disconnect();
      disconnect_ = std::move(other.disconnect_);
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { disconnect(); }

  void disconnect() {
    if (auto d = std::exchange(disconnect_, nullptr)) d();
  }
  bool connected() const { return disconnect_ != nullptr; }

 private:
  template <typename... Args>
  friend class Signal;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  std::function<void()> disconnect_;
};

template <typename... Args>
class Signal {
 public:
  using Observer = std::function<void(Args...)>;

  [[nodiscard]] Connection connect(Observer observer) {
    int token = ++lastToken_;
    observers_->emplace(token, std::move(observer));
    std::weak_ptr<Observers> weak = observers_;
    return Connection([weak, token] {
      if (auto observers = weak.lock()) observers->erase(token);
    });
  }

  // Observers may connect or disconnect while it runs: a copy is walked and
  // an observer removed meanwhile is skipped.
  void emit(Args... args) const {
    auto observers = observers_;  // keeps the list alive if an observer destroys the signal
    auto snapshot = *observers;
    for (const auto& [token, observer] : snapshot) {
      if (observers->count(token)) observer(args...);
    }
  }

 private:
  using Observers = std::map<int, Observer>;
  std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
  int lastToken_ = 0;
};

using ChangeSignal = Signal<>;

}  // namespace frontend
