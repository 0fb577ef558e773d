#pragma once
// The two callbacks of one build, handed from stage to stage with the build's
// Work (its cancellable; quitting waits until the last copy is gone). Both
// callbacks only ever run on the main thread: every report is an asynchronous
// post to the main queue, so they arrive in the order they were made.

#include <string>

#include "builder/app_generator.hpp"
#include "platform/work.hpp"

namespace builder {

struct BuildCallbacks {
  ProgressCallback progress;
  CompletionCallback completion;
  platform::Work work;

  void reportProgress(const std::string& text) const;
  void complete(BuildResult result) const;
  // A progress callback for the stage code, posting through reportProgress.
  ProgressCallback reporter() const;
};

}  // namespace builder
