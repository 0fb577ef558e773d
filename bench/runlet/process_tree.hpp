#pragma once
// A started program and everything it starts in turn: its memory (the sum of
// PSS over the whole tree, from /proc/*/smaps_rollup) and its end.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {

inline pid_t parentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(text.substr(close + 2));
  char state;
  pid_t parent = 0;
  rest >> state >> parent;
  return parent;
}

// The root and all its living descendants.
inline std::vector<pid_t> processTree(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> all;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    pid_t pid = std::stoi(name);
    all.emplace_back(pid, parentOf(pid));
  }
  std::set<pid_t> tree{root};
  for (bool grew = true; grew;) {
    grew = false;
    for (auto [pid, parent] : all) {
      if (tree.count(parent) && tree.insert(pid).second) grew = true;
    }
  }
  return {tree.begin(), tree.end()};
}

inline std::uint64_t pssKiB(pid_t pid) {
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  for (std::string line; std::getline(rollup, line);) {
    if (line.rfind("Pss:", 0) == 0) return std::stoull(line.substr(4));
  }
  return 0;
}

inline std::string commandName(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// CPU time (user and system) a process has used, in seconds.
inline double cpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU time of the whole living tree, in seconds.
inline double treeCpuSeconds(pid_t root) {
  double total = 0;
  for (pid_t pid : processTree(root)) total += cpuSeconds(pid);
  return total;
}

// Proportional set size of the whole tree, in KiB.
inline std::uint64_t treePssKiB(pid_t root) {
  std::uint64_t total = 0;
  for (pid_t pid : processTree(root)) total += pssKiB(pid);
  return total;
}

// Ends the tree: a polite signal first, then whatever is left is killed.
inline void endTree(pid_t root) {
  auto tree = processTree(root);
  ::kill(root, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (::waitpid(root, nullptr, WNOHANG) == root) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (pid_t pid : tree) ::kill(pid, SIGKILL);
  ::waitpid(root, nullptr, WNOHANG);
}

}  // namespace bench
