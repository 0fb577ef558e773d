#pragma once
// The two callbacks of one build, handed from stage to stage. Both only ever
// run on the main thread: every report is an asynchronous post to the main
// queue, so they arrive in the order they were made.

#include <string>

#include "builder/app_generator.hpp"

namespace builder {

struct BuildCallbacks {
  ProgressCallback progress;
  CompletionCallback completion;

  void reportProgress(const std::string& text) const;
  void complete(BuildResult result) const;
  // A progress callback for the stage code, posting through reportProgress.
  ProgressCallback reporter() const;
};

}  // namespace builder
