#pragma once
// A program started as a child of the test, its output captured in files and
// its own peak memory read from wait4 when it ends: memory is checked from
// the kernel's account of the child, never from timing.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace testing_support {

struct FinishedProcess {
  int status = -1;  // exit code, or 128 + the signal that ended it
  std::string out;
  std::string err;
  double peakMiB = 0;
};

class ChildProcess {
 public:
  // argv[0] is the program's absolute path. Output goes to files in `scratch`.
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& scratch)
      : outFile_(scratch / ("out-" + std::to_string(++counter()))),
        errFile_(scratch / ("err-" + std::to_string(counter()))) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      int out = ::open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = ::open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }

  pid_t pid() const { return pid_; }
  std::string errorOutputSoFar() const { return readFile(errFile_); }

  FinishedProcess wait() {
    FinishedProcess finished;
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid_, &status, 0, &usage) != pid_) return finished;
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.out = readFile(outFile_);
    finished.err = readFile(errFile_);
    finished.peakMiB = usage.ru_maxrss / 1024.0;
    return finished;
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path outFile_, errFile_;
  pid_t pid_ = -1;
};

}  // namespace testing_support
