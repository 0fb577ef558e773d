#pragma once
// Builds, icon searches and their downloads while they run, each with the
// GCancellable that stops it. Quitting cancels them all and waits until the
// last worker has tidied up, so nothing half-written outlives the process.
//
//   auto work = platform::Work::begin(windowCancellable);  // null: a new one
//   postToBackground([work] { ... if (work.isCancelled()) return; ... });
//
// A Work ends when its last copy is gone: hand copies to every thread, task
// and callback that still works for it.

#include <gio/gio.h>

#include <chrono>
#include <memory>

namespace platform {

class Work {
 public:
  static Work begin(GCancellable* cancellable = nullptr);
  GCancellable* cancellable() const;
  bool isCancelled() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Cancels every Work in flight, and every one begun later: the process is ending.
void cancelAllWork();

// Main thread: runs the main context until no Work is in flight, or at most
// `limit`. False when some is still running.
bool waitForAllWork(std::chrono::milliseconds limit);

}  // namespace platform
