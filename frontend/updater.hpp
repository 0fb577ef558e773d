#pragma once
// What the shell needs from an update checker: start it at launch, ask it to
// check now, and observe whether it can (the menu item's enabling) and whether
// it is busy (the newsletter prompt stays away meanwhile). Main thread only.

#include "frontend/change_signal.hpp"

namespace frontend {

class Updater {
 public:
  virtual ~Updater() = default;

  // At launch: schedules the automatic checks.
  virtual void start() = 0;
  // A check the user asked for; its outcome is always shown.
  virtual void checkForUpdates() = 0;
  // False without a feed and while a check or its dialog is under way.
  virtual bool canCheckForUpdates() const = 0;
  virtual bool sessionInProgress() const = 0;

  [[nodiscard]] Connection observe(ChangeSignal::Observer observer) { return changed_.connect(std::move(observer)); }

 protected:
  void changed() const { changed_.emit(); }

 private:
  ChangeSignal changed_;
};

}  // namespace frontend
