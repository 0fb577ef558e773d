#include "builder/file_copy.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "builder/generator_error.hpp"
#include "platform/descriptor.hpp"
#include "builder/staging.hpp"

namespace builder {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) { return "\u201C" + path.string() + "\u201D"; }

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

using platform::Descriptor;

[[noreturn]] void refuseKind(const fs::path& path, mode_t mode) {
  const char* kind = S_ISFIFO(mode) ? "a named pipe" : S_ISSOCK(mode) ? "a socket" : "a device";
  throw GeneratorError::fileError(quoted(path) + " is " + kind +
                                  ", not a file or a folder, and can't be copied into the app. Remove it and try "
                                  "again.");
}

void copyFileData(int in, int out, const fs::path& from, const fs::path& to, GCancellable* cancellable) {
  // In-kernel copies first; plain reads and writes where the file systems can't.
  // Pieces small enough that a cancel never waits for a whole large file.
  for (;;) {
    throwIfCancelled(cancellable);
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 16 << 20, 0);
    if (n == 0) return;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      fail(errno, "Cannot copy " + quoted(from) + " to " + quoted(to));
    }
    break;
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    throwIfCancelled(cancellable);
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, "Cannot read " + quoted(from));
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) fail(errno, "Cannot write " + quoted(to));
      done += w;
    }
  }
}

void copyFile(const fs::path& from, const fs::path& to, GCancellable* cancellable) {
  // O_NONBLOCK: what was a file when listed may be a pipe by now.
  Descriptor in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) fail(errno, "Cannot read " + quoted(from));
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) fail(errno, "Cannot read " + quoted(from));
  if (!S_ISREG(info.st_mode)) refuseKind(from, info.st_mode);
  Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.get() < 0) fail(errno, "Cannot write " + quoted(to));
  copyFileData(in.get(), out.get(), from, to, cancellable);
  if (::fchmod(out.get(), info.st_mode & 07777) != 0) fail(errno, "Cannot write " + quoted(to));
  if (out.close() != 0) fail(errno, "Cannot write " + quoted(to));
}

void copyEntry(const fs::path& from, const fs::path& to, GCancellable* cancellable) {
  throwIfCancelled(cancellable);
  struct stat info {};
  if (::lstat(from.c_str(), &info) != 0) fail(errno, "Cannot read " + quoted(from));
  if (S_ISLNK(info.st_mode)) {
    std::error_code ec;
    fs::path target = fs::read_symlink(from, ec);
    if (ec) fail(ec.value(), "Cannot read " + quoted(from));
    fs::create_symlink(target, to, ec);
    if (ec) fail(ec.value(), "Cannot write " + quoted(to));
  } else if (S_ISDIR(info.st_mode)) {
    // Owner access always, so the copy can be filled now and removed later.
    if (::mkdir(to.c_str(), (info.st_mode & 07777) | S_IRWXU) != 0) fail(errno, "Cannot write " + quoted(to));
    std::error_code ec;
    std::vector<fs::path> names;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
      names.push_back(it->path().filename());
    }
    if (ec) fail(ec.value(), "Cannot read " + quoted(from));
    for (const fs::path& name : names) copyEntry(from / name, to / name, cancellable);
  } else if (S_ISREG(info.st_mode)) {
    copyFile(from, to, cancellable);
  } else {
    refuseKind(from, info.st_mode);
  }
}

}  // namespace

void copyTree(const fs::path& from, const fs::path& to, GCancellable* cancellable) {
  copyEntry(from, to, cancellable);
}

}  // namespace builder
