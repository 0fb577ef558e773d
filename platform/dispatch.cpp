#include "platform/dispatch.hpp"

#include <glib.h>

#include <deque>
#include <mutex>
#include <memory>
#include <thread>
#include <utility>

namespace platform {
namespace {

// Static initialisation runs on the main thread, before any worker exists.
const std::thread::id mainThreadId = std::this_thread::get_id();

// One idle source drains a FIFO, so order holds even between tasks posted from
// different threads (GLib gives no ordering promise among separate idle sources
// of equal priority).
struct MainQueue {
  std::mutex mutex;
  std::deque<Task> tasks;
  bool scheduled = false;
};

MainQueue& mainQueue() {
  static auto* queue = new MainQueue;  // never destroyed: workers may post during exit
  return *queue;
}

gboolean drainMainQueue(gpointer) {
  auto& queue = mainQueue();
  for (;;) {
    Task task;
    {
      std::lock_guard lock(queue.mutex);
      if (queue.tasks.empty()) {
        queue.scheduled = false;
        return G_SOURCE_REMOVE;
      }
      task = std::move(queue.tasks.front());
      queue.tasks.pop_front();
    }
    task();
  }
}

void runBackgroundTask(gpointer data, gpointer) {
  std::unique_ptr<Task> task(static_cast<Task*>(data));
  (*task)();
}

GThreadPool* backgroundPool() {
  static GThreadPool* pool = [] {
    // max_threads -1: unlimited, so blocking tasks never starve each other.
    return g_thread_pool_new(runBackgroundTask, nullptr, -1, FALSE, nullptr);
  }();
  return pool;
}

}  // namespace

void postToMain(Task task) {
  auto& queue = mainQueue();
  bool schedule = false;
  {
    std::lock_guard lock(queue.mutex);
    queue.tasks.push_back(std::move(task));
    schedule = !std::exchange(queue.scheduled, true);
  }
  if (schedule) {
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, drainMainQueue, nullptr, nullptr);
    g_source_attach(source, g_main_context_default());
    g_source_unref(source);
  }
}

void postToBackground(Task task) {
  g_thread_pool_push(backgroundPool(), new Task(std::move(task)), nullptr);
}

bool isMainThread() {
  return std::this_thread::get_id() == mainThreadId;
}

void runMainLoopUntil(const std::function<bool()>& done) {
  GMainContext* context = g_main_context_default();
  while (!done()) g_main_context_iteration(context, TRUE);
}

}  // namespace platform
