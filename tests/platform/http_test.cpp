#include "platform/http.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>

#include "tests/support/loopback_http_server.hpp"

namespace {

using platform::HttpRequest;
using platform::performHttp;

// A peer that speaks raw bytes: it records the request exactly as it came over
// the wire (header order included) and answers with a canned reply, or never.
class RawPeer {
 public:
  explicit RawPeer(std::string reply) : reply_(std::move(reply)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener_, 4);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serveOne(); });
  }
  ~RawPeer() {
    shutdown(listener_, SHUT_RDWR);
    {
      std::lock_guard lock(mutex_);
      if (connection_ >= 0) shutdown(connection_, SHUT_RDWR);
    }
    thread_.join();
    close(listener_);
  }

  std::string url(const std::string& path = "/") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::string received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void serveOne() {
    int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    {
      std::lock_guard lock(mutex_);
      connection_ = connection;
    }
    std::string data;
    char buffer[4096];
    ssize_t n;
    while (data.find("\r\n\r\n") == std::string::npos && (n = read(connection, buffer, sizeof buffer)) > 0) {
      data.append(buffer, n);
    }
    {
      std::lock_guard lock(mutex_);
      received_ = data;
    }
    if (!reply_.empty()) {
      (void)!write(connection, reply_.data(), reply_.size());
    } else {
      while (read(connection, buffer, sizeof buffer) > 0) {
      }  // silent until the test ends
    }
    std::lock_guard lock(mutex_);
    close(connection);
    connection_ = -1;
  }

  std::string reply_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  int connection_ = -1;
  std::string received_;
};

class HttpAgainstLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& routes = server_.routes();
    routes.Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("hi there", "text/plain"); });
    routes.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("<html>not here</html>", "text/html");
    });
    routes.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content("server trouble", "text/plain");
    });
    routes.Get("/hop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hop2"); });
    routes.Get("/hop2", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hello", 301); });
    routes.Get("/to-file", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname"); });
    routes.Get("/big", [](const httplib::Request&, httplib::Response& res) { res.set_content(std::string(100000, 'x'), "text/plain"); });
    routes.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 201;
      res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
    });
    server_.start();
  }

  platform::HttpResponse get(const std::string& path, bool followRedirects = true) {
    HttpRequest request;
    request.url = server_.url(path);
    request.followRedirects = followRedirects;
    request.timeoutSeconds = 10;
    return performHttp(request);
  }

  testing_support::LoopbackHttpServer server_;
};

TEST_F(HttpAgainstLoopback, GetDeliversStatusAndBody) {
  auto response = get("/hello");
  EXPECT_EQ(response.status, 200);
  EXPECT_FALSE(response.transportFailed());
  EXPECT_EQ(response.body, "hi there");
  EXPECT_EQ(response.error, "");
}

TEST_F(HttpAgainstLoopback, ErrorStatusKeepsItsBody) {
  auto notFound = get("/missing");
  EXPECT_EQ(notFound.status, 404);
  EXPECT_EQ(notFound.body, "<html>not here</html>");
  auto failed = get("/broken");
  EXPECT_EQ(failed.status, 500);
  EXPECT_EQ(failed.body, "server trouble");
}

TEST_F(HttpAgainstLoopback, RedirectsAreFollowedUnlessTurnedOff) {
  auto followed = get("/hop");
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, "hi there");
  EXPECT_EQ(server_.targets(), (std::vector<std::string>{"/hop", "/hop2", "/hello"}));

  auto stopped = get("/hop", false);
  EXPECT_EQ(stopped.status, 302);
}

TEST_F(HttpAgainstLoopback, RedirectToALocalFileIsRefused) {
  auto response = get("/to-file");
  EXPECT_TRUE(response.transportFailed());
  EXPECT_FALSE(response.body.has_value());
  EXPECT_NE(response.error, "");
}

TEST_F(HttpAgainstLoopback, PostSendsBodyWithTheGivenContentType) {
  HttpRequest request;
  request.method = "POST";
  request.url = server_.url("/echo");
  request.headers = {{"Content-Type", "application/json"}};
  request.body = std::string(R"({"email":"a@b.example"})") + std::string(3000, ' ');  // large enough to tempt "Expect"
  auto response = performHttp(request);
  EXPECT_EQ(response.status, 201);
  EXPECT_EQ(response.body, "application/json|" + request.body);
}

TEST_F(HttpAgainstLoopback, NoUserAgentUnlessGiven) {
  get("/hello");
  HttpRequest request;
  request.url = server_.url("/hello");
  request.headers = {{"User-Agent", "Tester/1.0 (exact; text)"}};
  performHttp(request);
  auto log = server_.log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].userAgent, "");
  EXPECT_EQ(log[1].userAgent, "Tester/1.0 (exact; text)");
}

TEST_F(HttpAgainstLoopback, BodyOverTheLimitFailsTheRequest) {
  HttpRequest request;
  request.url = server_.url("/big");
  request.maxBodyBytes = 100000;
  EXPECT_EQ(performHttp(request).body->size(), 100000u);
  request.maxBodyBytes = 99999;
  auto response = performHttp(request);
  EXPECT_TRUE(response.transportFailed());
  EXPECT_FALSE(response.body.has_value());
  EXPECT_NE(response.error.find("larger than 99999 bytes"), std::string::npos);
}

TEST(Http, HeadersGoOutInTheGivenOrder) {
  RawPeer peer("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  HttpRequest request;
  request.url = peer.url("/order");
  request.headers = {{"X-Zeta", "1"}, {"Accept", "image/*"}, {"X-Alpha", "2"}, {"X-Empty", ""}};
  auto response = performHttp(request);
  EXPECT_EQ(response.status, 204);
  EXPECT_EQ(response.body, "");
  std::string wire = peer.received();
  auto zeta = wire.find("\r\nX-Zeta: 1\r\n");
  auto accept = wire.find("\r\nAccept: image/*\r\n");
  auto alpha = wire.find("\r\nX-Alpha: 2\r\n");
  auto empty = wire.find("\r\nX-Empty:");
  ASSERT_NE(zeta, std::string::npos) << wire;
  ASSERT_NE(accept, std::string::npos) << wire;
  ASSERT_NE(alpha, std::string::npos) << wire;
  ASSERT_NE(empty, std::string::npos) << wire;
  EXPECT_LT(zeta, accept);
  EXPECT_LT(accept, alpha);
  EXPECT_LT(alpha, empty);
  EXPECT_EQ(wire.find("User-Agent"), std::string::npos) << wire;
  EXPECT_EQ(wire.rfind("GET /order HTTP/1.1\r\n", 0), 0u) << wire;
}

TEST(Http, SilentPeerEndsInTimeout) {
  RawPeer peer("");
  HttpRequest request;
  request.url = peer.url("/silence");
  request.timeoutSeconds = 0.5;
  auto response = performHttp(request);
  EXPECT_TRUE(response.transportFailed());
  EXPECT_FALSE(response.body.has_value());
  EXPECT_NE(response.error, "");
}

TEST(Http, UnusableRequestsFailWithATextNotACrash) {
  for (const char* url : {"", "not a url", "file:///etc/hostname", "ftp://127.0.0.1/x", "http://[::1"}) {
    HttpRequest request;
    request.url = url;
    auto response = performHttp(request);
    EXPECT_TRUE(response.transportFailed()) << url;
    EXPECT_NE(response.error, "") << url;
  }
  HttpRequest put;
  put.method = "PUT";
  put.url = "http://127.0.0.1:1/";
  EXPECT_EQ(performHttp(put).error, "Unsupported HTTP method PUT");
}

TEST(Http, RefusedConnectionIsATransportFailure) {
  int port;
  {
    RawPeer closedSoon("x");  // a port that was just in use and is free again
    port = std::stoi(closedSoon.url().substr(17));
  }
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/";
  auto response = performHttp(request);
  EXPECT_TRUE(response.transportFailed());
  EXPECT_NE(response.error, "");
}

}  // namespace
