#pragma once
// Waiting for the main queue, as code that answers on the main thread needs.

#include "platform/dispatch.hpp"

namespace testing_support {

// Runs everything posted to the main queue so far: a late second answer is seen by now.
inline void drainMainQueue() {
  bool done = false;
  platform::postToMain([&] { done = true; });
  platform::runMainLoopUntil([&] { return done; });
}

}  // namespace testing_support
