#pragma once
// The two queues every subsystem posts work to: the main queue (the GLib
// default main context, which the interface and all callbacks run on) and a
// background queue of worker threads that may block on tools or downloads.

#include <functional>

namespace platform {

using Task = std::function<void()>;

// Runs `task` later on the thread that iterates the default main context.
// Tasks run in posting order, across all posting threads.
void postToMain(Task task);

// Runs `task` on a background worker. Workers are created as needed, so a
// task that blocks never delays another.
void postToBackground(Task task);

// True on the thread that owns the default main context (the main thread).
bool isMainThread();

// Iterates the default main context until `done` returns true. For command
// line entry points and tests that drive the real main loop.
void runMainLoopUntil(const std::function<bool()>& done);

}  // namespace platform
