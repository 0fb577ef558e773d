#include "platform/dispatch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Delivery on the main thread, in order and never after the completion, is checked by every
// build and icon search the tests run (their fixtures' `wellBehaved`).
TEST(Dispatch, BlockingBackgroundTaskDoesNotDelayAnother) {
  std::mutex gate;
  gate.lock();
  std::atomic<bool> secondRan{false}, firstRan{false};
  platform::postToBackground([&] {  // blocks until unlocked
    std::lock_guard hold(gate);
    firstRan = true;
  });
  platform::postToBackground([&] { secondRan = true; });
  while (!secondRan) std::this_thread::yield();
  gate.unlock();
  // The blocked task still uses `gate`: it must be done before the test's stack goes.
  while (!firstRan) std::this_thread::yield();
}

}  // namespace
