#pragma once
// A file descriptor closed on every path out; closing also drops its flock.

#include <unistd.h>

#include <utility>

namespace platform {

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    // Don't retry close on EINTR: the descriptor is gone either way on Linux.
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  // Closes now, for the error a full disk reports only at this point.
  int close() { return ::close(release()); }

 private:
  int fd_;
};

}  // namespace platform
