#include "builder/tree_copy.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <mutex>
#include <thread>

namespace builder {

namespace fs = std::filesystem;

namespace {

using Plan = std::vector<std::pair<fs::path, fs::path>>;

[[noreturn]] void fail(const char* what, const fs::path& from, const fs::path& to, int error) {
  throw fs::filesystem_error(what, from, to, std::error_code(error, std::generic_category()));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool copyWithReadWrite(int in, int out) {
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return false;
      done += w;
    }
  }
}

void copyFile(const fs::path& from, const fs::path& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (in.get() < 0) fail("cannot copy file", from, to, errno);
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) fail("cannot copy file", from, to, errno);
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777));
  if (out.get() < 0) fail("cannot copy file", from, to, errno);
  bool done = false;
  for (;;) {
    ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
    if (n > 0) continue;
    if (n == 0) {
      done = true;
    } else if (errno == EINTR) {
      continue;
    } else if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
      fail("cannot copy file", from, to, errno);
    }
    break;
  }
  // Some file systems (or a file part-copied before the kernel gave up) need the plain way.
  if (!done && (::lseek(in.get(), 0, SEEK_SET) < 0 || ::ftruncate(out.get(), 0) != 0 ||
                ::lseek(out.get(), 0, SEEK_SET) < 0 || !copyWithReadWrite(in.get(), out.get()))) {
    fail("cannot copy file", from, to, errno);
  }
  // The umask may have narrowed the mode given to open().
  if (::fchmod(out.get(), info.st_mode & 07777) != 0) fail("cannot copy file", from, to, errno);
}

// Makes folders and links now; collects the files for the copying threads.
void plan(const fs::path& from, const fs::path& to, Plan& files) {
  const fs::file_status status = fs::symlink_status(from);
  if (fs::exists(fs::symlink_status(to))) fail("cannot copy", from, to, EEXIST);
  if (fs::is_symlink(status)) {
    fs::copy_symlink(from, to);
  } else if (fs::is_directory(status)) {
    fs::create_directory(to, from);
    for (const auto& entry : fs::directory_iterator(from)) plan(entry.path(), to / entry.path().filename(), files);
  } else if (fs::is_regular_file(status)) {
    files.emplace_back(from, to);
  } else {
    fail("cannot copy: not a file, folder or link", from, to, ENOTSUP);
  }
}

}  // namespace

void copyItems(const Plan& items) {
  Plan files;
  for (const auto& [from, to] : items) plan(from, to, files);

  const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex errorMutex;
  std::exception_ptr firstError;
  auto work = [&] {
    for (size_t i = next++; i < files.size() && !stop; i = next++) {
      try {
        copyFile(files[i].first, files[i].second);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        if (!firstError) firstError = std::current_exception();
        stop = true;
      }
    }
  };
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < std::min(threads, files.size()); ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
  if (firstError) std::rethrow_exception(firstError);
}

}  // namespace builder
