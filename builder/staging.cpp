#include "builder/staging.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>

namespace builder {

namespace fs = std::filesystem;

namespace {

// Rooms of this process, and whether it is shutting down. The mutex is also
// held for a whole commit, so shutting down waits for a swap under way.
struct Registry {
  std::mutex mutex;
  std::set<const fs::path*> rooms;
  bool abandoned = false;
};

Registry& registry() {
  static auto* instance = new Registry;  // never destroyed: builds may end during exit
  return *instance;
}

std::string quoted(const fs::path& path) { return "\u201C" + path.string() + "\u201D"; }

void closeQuietly(int fd) {
  // Don't retry close on EINTR: the descriptor is gone either way on Linux.
  if (fd >= 0) ::close(fd);
}

bool lockExclusively(int fd, bool wait) {
  while (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// An exclusive lock on a folder itself (no lock file is left behind). Where
// the file system has no such locks, the folder is used without one.
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) lockExclusively(fd_, true);
  }
  ~FolderLock() { closeQuietly(fd_); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

// Nobody holds the room's lock: its build has ended without removing it.
bool isDeadRoom(const fs::path& room) {
  int fd = ::open(room.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool dead = lockExclusively(fd, false);
  closeQuietly(fd);
  return dead;
}

void clearDeadRooms(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->path().filename().string().starts_with(stagingPrefix)) continue;
    std::error_code ignored;
    if (it->is_directory(ignored) && !it->is_symlink(ignored) && isDeadRoom(it->path())) {
      fs::remove_all(it->path(), ignored);
    }
  }
}

[[noreturn]] void throwErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

[[noreturn]] void throwStopped() { throwErrno(ECANCELED, "The build was stopped"); }

}  // namespace

void throwIfCancelled(GCancellable* cancellable) {
  if (g_cancellable_is_cancelled(cancellable)) throwStopped();
}

StagedBundle::StagedBundle(fs::path room, fs::path destination, int lock)
    : room_(std::move(room)),
      destination_(std::move(destination)),
      bundle_(room_ / destination_.filename()),
      lock_(lock) {
  std::lock_guard guard(registry().mutex);
  registry().rooms.insert(&room_);
}

void StagedBundle::discard() {
  {
    std::lock_guard guard(registry().mutex);
    if (!registry().rooms.erase(&room_)) return;
  }
  std::error_code ec;
  fs::remove_all(room_, ec);
  closeQuietly(std::exchange(lock_, -1));  // only now, so no other build takes it for a dead room while it empties
}

std::shared_ptr<StagedBundle> StagedBundle::create(const fs::path& destination) {
  const fs::path folder = destination.parent_path();
  {
    std::lock_guard guard(registry().mutex);
    if (registry().abandoned) throwStopped();
  }
  FolderLock folderLock(folder);
  clearDeadRooms(folder);
  std::string pattern = (folder / (std::string(stagingPrefix) + "XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throwErrno(errno, "Cannot make a temporary folder in " + quoted(folder));
  int lock = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (lock >= 0) lockExclusively(lock, false);
  if (lock < 0) {
    const int error = errno;
    ::rmdir(pattern.c_str());
    throwErrno(error, "Cannot use the temporary folder " + quoted(fs::path(pattern)));
  }
  return std::shared_ptr<StagedBundle>(new StagedBundle(pattern, destination, lock));
}

void StagedBundle::commit(const std::function<void()>& afterwards) {
  std::lock_guard guard(registry().mutex);
  if (registry().abandoned) throwStopped();
  FolderLock folderLock(destination_.parent_path());
  const std::string failed = "Cannot put the new app at " + quoted(destination_);
  if (::renameat2(AT_FDCWD, bundle_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST &&
        ::renameat2(AT_FDCWD, bundle_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_EXCHANGE) == 0) {
      // The old app is in the room now, to go with it.
    } else if (errno == EINVAL || errno == ENOSYS) {
      // A file system without atomic exchange: the old app steps aside into
      // the room and comes back if the new one cannot take its place.
      const fs::path previous = room_ / ".previous";
      const bool hadOld = ::rename(destination_.c_str(), previous.c_str()) == 0;
      if (!hadOld && errno != ENOENT) throwErrno(errno, failed);
      if (::rename(bundle_.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        if (hadOld) ::rename(previous.c_str(), destination_.c_str());
        throwErrno(error, failed);
      }
    } else {
      throwErrno(errno, failed);
    }
  }
  if (afterwards) afterwards();
}

void StagedBundle::abandonAll() {
  std::lock_guard guard(registry().mutex);
  registry().abandoned = true;
  for (const fs::path* room : registry().rooms) {
    std::error_code ec;
    fs::remove_all(*room, ec);
  }
}

}  // namespace builder
