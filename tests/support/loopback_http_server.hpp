#pragma once
// An HTTP server on 127.0.0.1 and an ephemeral port, for one test. Every
// request is logged when it arrives (before its handler runs), so a test can
// tell which paths were asked for, in which order and how often. A handler
// may park a request with `hang()`; parked requests are let go when the
// server is destroyed.

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct LoggedRequest {
  std::string target;  // path and query, as sent
  std::string userAgent;
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(mutex_);
      log_.push_back({request.params.empty() ? request.path : request.target, request.get_header_value("User-Agent")});
      return httplib::Server::HandlerResponse::Unhandled;
    });
  }
  ~LoopbackHttpServer() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    releasedChanged_.notify_all();
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Routes are added here before start().
  httplib::Server& routes() { return server_; }

  void start() {
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }

  int port() const { return port_; }
  std::string url(const std::string& pathAndQuery = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
  }

  std::vector<LoggedRequest> log() const {
    std::lock_guard lock(mutex_);
    return log_;
  }
  std::vector<std::string> targets() const {
    std::vector<std::string> out;
    for (const auto& entry : log()) out.push_back(entry.target);
    return out;
  }
  long count(const std::string& target) const { return std::ranges::count(targets(), target); }

  // Blocks the calling handler until the server goes away: a peer that never answers.
  void hang() {
    std::unique_lock lock(mutex_);
    releasedChanged_.wait(lock, [this] { return released_; });
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable releasedChanged_;
  bool released_ = false;
  std::vector<LoggedRequest> log_;
};

// A loopback port nobody listens on: connections to it are refused at once.
inline int refusedLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

}  // namespace testing_support
