#pragma once
// Runs one command-line tool by absolute path with an argument vector (no
// shell), drains its standard output and standard error at the same time and
// reports once the tool has exited and both streams are at their end.
//
//   auto tool = Subprocess::create({"/usr/bin/tool", "arg"});
//   tool->run([](Subprocess& s, std::string out, std::string err) { ... });
//   tool->group().wait();   // returns once the completion has returned
//
// The completion runs on a thread of the runner's own. The watcher holds the
// object only weakly: a run whose object has been dropped completes silently.
// A tool runs in a process group of its own, so a cancelled run stops
// everything it started: SIGTERM, then SIGKILL after `toolKillGrace`.

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace builder {

inline constexpr std::chrono::milliseconds toolKillGrace{2000};

// A counting wait group: wait() returns when every enter() has been left.
class WaitGroup {
 public:
  void enter();
  void leave();
  void wait();

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  int count_ = 0;
};

class Subprocess : public std::enable_shared_from_this<Subprocess> {
 public:
  // Standard output and standard error as raw bytes.
  using Completion = std::function<void(Subprocess&, std::string out, std::string err)>;

  // `arguments` holds the tool's absolute path first, then its arguments.
  static std::shared_ptr<Subprocess> create(std::vector<std::string> arguments);

  // Starts the tool. Throws std::system_error with the system's message when
  // it cannot be started; the completion then never runs. Cancelling
  // `cancellable` ends the tool; the completion still runs once it is reaped.
  void run(Completion completion, GCancellable* cancellable = nullptr);

  WaitGroup& group() { return group_; }
  // The exit status once the run has completed: the tool's exit code, or
  // 128 + the signal number when a signal ended it.
  int terminationStatus() const { return status_; }
  const std::vector<std::string>& arguments() const { return arguments_; }

 private:
  explicit Subprocess(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  std::vector<std::string> arguments_;
  WaitGroup group_;
  int status_ = -1;
  bool started_ = false;
};

// Runs a tool and blocks until it has completed; throws launch errors, and
// the stopped build's error when `cancellable` is cancelled before or during the run.
struct ToolOutput {
  int status = -1;
  std::string out;
  std::string err;
};
ToolOutput runAndWait(std::vector<std::string> arguments, GCancellable* cancellable = nullptr);

}  // namespace builder
