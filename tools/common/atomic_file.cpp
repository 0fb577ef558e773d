#include "tools/common/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tools {
namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
  throw std::system_error(error, std::generic_category(), what + " " + path.string());
}

mode_t currentUmask() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& target) {
    // Named after the target only while that still fits a file name.
    std::string base = target.filename().string();
    if (base.size() > 200) base.resize(200);
    std::string pattern = (target.parent_path() / ("." + base + ".XXXXXX")).string();
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) fail("cannot create a temporary file for", target, errno);
    path_ = pattern;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const fs::path& path() const { return path_; }
  void close() {
    int fd = fd_;
    fd_ = -1;
    // Don't retry close on EINTR: the descriptor is released either way.
    if (::close(fd) != 0) fail("cannot write", path_, errno);
  }
  void renameTo(const fs::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) fail("cannot replace", target, errno);
    path_.clear();
  }

 private:
  int fd_ = -1;
  fs::path path_;
};

}  // namespace

void writeFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes, mode_t mode) {
  TemporaryFile temp(path);
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(temp.fd(), bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("cannot write", path, errno);
    written += static_cast<std::size_t>(n);
  }
  if (::fchmod(temp.fd(), mode & ~currentUmask()) != 0) fail("cannot set the mode of", path, errno);
  // No fsync: rename-over is what keeps readers from seeing a part, and the
  // tools run once per build, where a flush would cost more than it saves.
  temp.close();
  temp.renameTo(path);
}

void writeFileAtomically(const fs::path& path, std::string_view text, mode_t mode) {
  writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), mode);
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("cannot open", path, errno);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      fail("cannot read", path, error);
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return bytes;
}

}  // namespace tools
