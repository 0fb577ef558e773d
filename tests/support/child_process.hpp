#pragma once
// A program started as a grandchild of the test, its output captured in
// files and its own peak memory taken from wait4 when it ends: memory is
// checked from the kernel's account of that process, never from timing.
//
// A small Python launcher sits in between because a process forked from the
// test starts with the test's own resident memory on its account (Linux keeps
// the high-water mark across exec), which under AddressSanitizer alone is
// over 200 MiB; the program forked from the launcher starts from a few.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
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
      : files_(scratch / ("run-" + std::to_string(++counter()))) {
    static constexpr const char* launcher =
        "import os, sys\n"
        "files, argv = sys.argv[1], sys.argv[2:]\n"
        "pid = os.fork()\n"
        "if pid == 0:\n"
        "    os.dup2(os.open(files + '.out', os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), 1)\n"
        "    os.dup2(os.open(files + '.err', os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), 2)\n"
        "    os.execv(argv[0], argv)\n"
        "open(files + '.pid.new', 'w').write(str(pid))\n"
        "os.rename(files + '.pid.new', files + '.pid')\n"
        "_, status, usage = os.wait4(pid, 0)\n"
        "open(files + '.peak', 'w').write(str(usage.ru_maxrss))\n"
        "code = os.waitstatus_to_exitcode(status)\n"
        "sys.exit(code if code >= 0 else 128 - code)\n";
    std::vector<std::string> all{"/usr/bin/python3", "-c", launcher, files_.string()};
    all.insert(all.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& a : all) args.push_back(a.data());
    args.push_back(nullptr);
    launcher_ = ::fork();
    if (launcher_ == 0) {
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }

  // The program's own process id, once it has been started.
  pid_t pid() const {
    const auto file = withSuffix(".pid");
    while (!std::filesystem::exists(file)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return static_cast<pid_t>(std::stol(readFile(file)));
  }
  std::string errorOutputSoFar() const { return readFile(withSuffix(".err")); }

  FinishedProcess wait() {
    FinishedProcess finished;
    int status = 0;
    if (::waitpid(launcher_, &status, 0) != launcher_) return finished;
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.out = readFile(withSuffix(".out"));
    finished.err = readFile(withSuffix(".err"));
    const std::string peak = readFile(withSuffix(".peak"));
    finished.peakMiB = peak.empty() ? 0 : std::stod(peak) / 1024.0;
    return finished;
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path withSuffix(const char* suffix) const { return files_.string() + suffix; }
  std::filesystem::path files_;
  pid_t launcher_ = -1;
};

}  // namespace testing_support
