#include "builder/subprocess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Reads both streams until each is at its end, whichever fills first.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
  std::array<pollfd, 2> fds{pollfd{outFd, POLLIN, 0}, pollfd{errFd, POLLIN, 0}};
  std::array<std::string*, 2> buffers{&out, &err};
  int open = 2;
  char chunk[65536];
  while (open > 0) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t i = 0; i < fds.size(); ++i) {
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

void Subprocess::run(Completion completion) {
  if (std::exchange(started_, true)) throw std::logic_error("a Subprocess runs only once");
  Pipe out, err;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
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
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

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
  std::thread watcher;
  try {
    watcher = std::thread([weak, pid, outFd, errFd, completion = std::move(completion)] {
      std::string outBytes, errBytes;
      drain(outFd, errFd, outBytes, errBytes);
      ::close(outFd);
      ::close(errFd);
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
    ::waitpid(pid, nullptr, 0);
    group_.leave();
    throw;
  }
  out.releaseRead();
  err.releaseRead();
  watcher.detach();
}

ToolOutput runAndWait(std::vector<std::string> arguments) {
  auto tool = Subprocess::create(std::move(arguments));
  ToolOutput result;
  tool->run([&result](Subprocess& s, std::string out, std::string err) {
    result.status = s.terminationStatus();
    result.out = std::move(out);
    result.err = std::move(err);
  });
  tool->group().wait();
  return result;
}

}  // namespace builder
