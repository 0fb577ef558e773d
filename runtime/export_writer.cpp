#include "runtime/export_writer.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "runtime/downloads.hpp"

namespace runlet {

namespace fs = std::filesystem;

namespace {

constexpr size_t kPiece = 1 << 20;  // base64 characters decoded and written at a time

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

// Closes and removes a temporary file unless it was renamed into place.
class ExportWriter::TempFile {
 public:
  explicit TempFile(const fs::path& folder) : path_((folder / ".nimbrel-export-XXXXXX").string()) {
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool close() {
    int fd = std::exchange(fd_, -1);
    // Don't retry close on EINTR: the descriptor is gone either way.
    return ::close(fd) == 0;
  }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

ExportWriter::ExportWriter(fs::path folder, std::string name)
    : folder_(std::move(folder)), name_(std::move(name)), temp_(std::make_unique<TempFile>(folder_)) {
  if (temp_->fd() < 0) outcome_ = {SaveOutcome::Kind::failed, {}};
}

ExportWriter::~ExportWriter() = default;

bool ExportWriter::append(std::string_view base64) {
  if (outcome_.kind != SaveOutcome::Kind::pending) return false;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kPiece / 4 * 3 + 3);
  for (size_t at = 0; at < base64.size(); at += kPiece) {
    bytes.clear();
    if (!decoder_.feed(base64.substr(at, kPiece), bytes)) {
      outcome_ = {SaveOutcome::Kind::undecodable, {}};
      return false;
    }
    if (!writeAll(temp_->fd(), bytes)) {
      outcome_ = {SaveOutcome::Kind::failed, {}};
      return false;
    }
  }
  return true;
}

SaveOutcome ExportWriter::finish() {
  if (outcome_.kind != SaveOutcome::Kind::pending) return outcome_;
  std::vector<std::uint8_t> tail;
  if (!decoder_.finish(tail)) return outcome_ = {SaveOutcome::Kind::undecodable, {}};
  if (!writeAll(temp_->fd(), tail) || ::fchmod(temp_->fd(), 0644) != 0 || !temp_->close()) {
    return outcome_ = {SaveOutcome::Kind::failed, {}};
  }
  // The free name is chosen again if another program takes it meanwhile;
  // the rename itself refuses to replace anything.
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path destination = uniqueURL(folder_ / name_);
    if (::renameat2(AT_FDCWD, temp_->path().c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
      temp_->keep();
      return outcome_ = {SaveOutcome::Kind::saved, destination};
    }
    if (errno != EEXIST) break;
  }
  return outcome_ = {SaveOutcome::Kind::failed, {}};
}

}  // namespace runlet
