#include "builder/subprocess.hpp"

#include "builder/staging.hpp"
#include "platform/gobject_ptr.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/syscall.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace builder {

void WaitGroup::enter() {
  std::lock_guard lock(mutex_);
  ++count_;
}

void WaitGroup::leave() {
  std::lock_guard lock(mutex_);
  if (--count_ == 0) idle_.notify_all();
}

void WaitGroup::wait() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return count_ <= 0; });
}

namespace {

class Pipe {
 public:
  Pipe() {
    // O_CLOEXEC from the start: a tool started by another thread meanwhile
    // must not inherit our ends, or our reader would never see end of file.
    if (::pipe2(fds_.data(), O_CLOEXEC) != 0) throw std::system_error(errno, std::system_category(), "pipe");
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int read() const { return fds_[0]; }
  int write() const { return fds_[1]; }
  int releaseRead() { return std::exchange(fds_[0], -1); }
  void closeRead() { closeFd(fds_[0]); }
  void closeWrite() { closeFd(fds_[1]); }

 private:
  static void closeFd(int& fd) {
    // Never retry close(): on Linux the descriptor is gone even after EINTR.
    if (fd >= 0) ::close(std::exchange(fd, -1));
  }
  std::array<int, 2> fds_{-1, -1};
};

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// Reads both streams until each is at its end, whichever fills first, and
// watches the tool (`exitFd`, a pidfd; -1: not watched) until it has ended.
// Once `cancelFd` is readable the tool's process group gets SIGTERM, then
// SIGKILL; a stream still held open after that is given up.
void drain(int outFd, int errFd, int exitFd, int cancelFd, pid_t group, std::string& out, std::string& err) {
  std::array<pollfd, 4> fds{pollfd{outFd, POLLIN, 0}, pollfd{errFd, POLLIN, 0}, pollfd{exitFd, POLLIN, 0},
                            pollfd{cancelFd, POLLIN, 0}};
  std::array<std::string*, 2> buffers{&out, &err};
  int open = 2;
  int sent = 0;
  std::chrono::steady_clock::time_point next;
  char chunk[65536];
  while (open > 0 || fds[2].fd >= 0) {
    int ready = ::poll(fds.data(), fds.size(), sent ? millisecondsUntil(next) : -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[2].revents) fds[2].fd = -1;  // the tool has ended; its streams may live on in what it started
    if (ready == 0 || fds[3].revents) {
      if (sent == SIGKILL) break;
      sent = sent ? SIGKILL : SIGTERM;
      ::kill(-group, sent);
      fds[3].fd = -1;
      next = std::chrono::steady_clock::now() + toolKillGrace;
      continue;
    }
    for (size_t i = 0; i < buffers.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
      if (n > 0) {
        buffers[i]->append(chunk, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;  // end of file (or a broken stream): no more from this one
        --open;
      }
    }
  }
}

int exitStatus(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

}  // namespace

std::shared_ptr<Subprocess> Subprocess::create(std::vector<std::string> arguments) {
  if (arguments.empty()) throw std::invalid_argument("Subprocess needs the tool's path");
  return std::shared_ptr<Subprocess>(new Subprocess(std::move(arguments)));
}

void Subprocess::run(Completion completion, GCancellable* cancellable) {
  if (std::exchange(started_, true)) throw std::logic_error("a Subprocess runs only once");
  Pipe out, err;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // No tool reads its input; in a group of its own it must not wait for a terminal's.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.write(), STDERR_FILENO);
  // Whatever else this process has open (including descriptors made without
  // O_CLOEXEC by libraries) stays out of the tool.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

  // Tools start with a clean signal state, whatever the launching worker
  // thread had blocked or this process ignores.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<char*> argv;
  for (auto& a : arguments_) argv.push_back(a.data());
  argv.push_back(nullptr);

  group_.enter();
  pid_t pid = -1;
  int error = ::posix_spawn(&pid, arguments_.front().c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    group_.leave();
    throw std::system_error(error, std::system_category(), arguments_.front());
  }
  out.closeWrite();
  err.closeWrite();

  std::weak_ptr<Subprocess> weak = weak_from_this();
  const int outFd = out.read(), errFd = err.read();
  // Without a pidfd the tool counts as ended when its streams are.
  const int exitFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));  // glibc 2.36 declares it without C linkage
  auto stop = platform::GRef<GCancellable>::retain(cancellable);
  std::thread watcher;
  try {
    watcher = std::thread([weak, pid, outFd, errFd, exitFd, stop, completion = std::move(completion)] {
      std::string outBytes, errBytes;
      GPollFD cancelled{};
      const bool watched = g_cancellable_make_pollfd(stop.get(), &cancelled);
      drain(outFd, errFd, exitFd, watched ? cancelled.fd : -1, pid, outBytes, errBytes);
      if (watched) g_cancellable_release_fd(stop.get());
      ::close(outFd);
      ::close(errFd);
      if (exitFd >= 0) ::close(exitFd);
      int wstatus = 0;
      while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
      }
      auto self = weak.lock();
      if (!self) return;
      self->status_ = exitStatus(wstatus);
      try {
        if (completion) completion(*self, std::move(outBytes), std::move(errBytes));
      } catch (...) {
        // A throwing completion must not take the process down or leave waiters hanging.
      }
      self->group_.leave();
    });
  } catch (...) {
    // No thread to watch it: reap the tool here so nothing is left behind.
    out.closeRead();
    err.closeRead();
    if (exitFd >= 0) ::close(exitFd);
    ::waitpid(pid, nullptr, 0);
    group_.leave();
    throw;
  }
  out.releaseRead();
  err.releaseRead();
  watcher.detach();
}

ToolOutput runAndWait(std::vector<std::string> arguments, GCancellable* cancellable) {
  throwIfCancelled(cancellable);
  auto tool = Subprocess::create(std::move(arguments));
  ToolOutput result;
  tool->run([&result](Subprocess& s, std::string out, std::string err) {
    result.status = s.terminationStatus();
    result.out = std::move(out);
    result.err = std::move(err);
  }, cancellable);
  tool->group().wait();
  throwIfCancelled(cancellable);  // a tool ended by the cancel failed for that reason, not its own
  return result;
}

}  // namespace builder
