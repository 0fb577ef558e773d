#include "platform/dispatch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(Dispatch, MainQueueRunsTasksOnMainThreadInPostingOrder) {
  std::vector<int> order;
  std::atomic<int> posted{0};
  // Posts from a worker interleave with posts from the main thread: order must
  // follow the moment of posting, whatever thread posted.
  for (int i = 0; i < 50; ++i) {
    platform::postToMain([&order, i] {
      EXPECT_TRUE(platform::isMainThread());
      order.push_back(i);
    });
  }
  platform::postToBackground([&] {
    EXPECT_FALSE(platform::isMainThread());
    for (int i = 50; i < 100; ++i) platform::postToMain([&order, i] { order.push_back(i); });
    posted = 1;
  });
  platform::runMainLoopUntil([&] { return posted == 1 && order.size() == 100; });
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

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
