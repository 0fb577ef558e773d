#include "platform/work.hpp"

#include <mutex>
#include <set>
#include <vector>

#include "platform/gobject_ptr.hpp"

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::multiset<GCancellable*> running;
  bool ending = false;
};

Registry& registry() {
  static auto* instance = new Registry;  // never destroyed: workers may end during exit
  return *instance;
}

}  // namespace

struct Work::State {
  explicit State(GRef<GCancellable> c) : cancellable(std::move(c)) {
    std::lock_guard lock(registry().mutex);
    registry().running.insert(cancellable.get());
  }
  ~State() {
    {
      std::lock_guard lock(registry().mutex);
      registry().running.erase(registry().running.find(cancellable.get()));
    }
    g_main_context_wakeup(g_main_context_default());  // a waiting main thread looks again
  }
  GRef<GCancellable> cancellable;
};

Work Work::begin(GCancellable* cancellable) {
  Work work;
  work.state_ = std::make_shared<State>(cancellable ? GRef<GCancellable>::retain(cancellable)
                                                    : adoptGRef(g_cancellable_new()));
  bool ending = false;
  {
    std::lock_guard lock(registry().mutex);
    ending = registry().ending;
  }
  if (ending) g_cancellable_cancel(work.cancellable());
  return work;
}

GCancellable* Work::cancellable() const { return state_ ? state_->cancellable.get() : nullptr; }

bool Work::isCancelled() const { return g_cancellable_is_cancelled(cancellable()); }

void cancelAllWork() {
  std::vector<GRef<GCancellable>> all;
  {
    std::lock_guard lock(registry().mutex);
    registry().ending = true;
    for (GCancellable* c : registry().running) all.push_back(GRef<GCancellable>::retain(c));
  }
  // Outside the lock: cancel handlers may begin or end work themselves.
  for (const auto& c : all) g_cancellable_cancel(c.get());
}

bool waitForAllWork(std::chrono::milliseconds limit) {
  auto idle = [] {
    std::lock_guard lock(registry().mutex);
    return registry().running.empty();
  };
  bool timedOut = false;
  GSource* timer = g_timeout_source_new(static_cast<guint>(limit.count()));
  g_source_set_callback(
      timer,
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timedOut, nullptr);
  g_source_attach(timer, g_main_context_default());
  while (!idle() && !timedOut) g_main_context_iteration(g_main_context_default(), TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  return idle();
}

}  // namespace platform
