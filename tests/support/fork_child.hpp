#pragma once
// Runs a function in a forked child process: a second program sharing files
// with the test. Start several, then wait for each; the exit status is the
// function's answer (0 for true), 255 when it threw.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace testing_support {

inline pid_t startChild(const std::function<bool()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int status = 255;
    try {
      status = body() ? 0 : 1;
    } catch (...) {
    }
    ::_exit(status);  // no atexit handlers or test-framework teardown in the child
  }
  return pid;
}

inline int waitChild(pid_t pid) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int runChild(const std::function<bool()>& body) { return waitChild(startChild(body)); }

}  // namespace testing_support
