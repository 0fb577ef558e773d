#include "platform/http.hpp"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "tests/support/loopback_http_server.hpp"

// Requests are written with designated initializers; the fields left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using platform::HttpRequest;
using platform::performHttp;

// A peer that speaks raw bytes: it keeps the request head as it came over the
// wire (header order included) and sends a canned reply, or stays silent.
class RawPeer {
 public:
  explicit RawPeer(std::string reply) {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/path";
    thread_ = std::thread([this, reply = std::move(reply)] {
      int connection = accept(listener_, nullptr, nullptr);
      char buffer[4096];
      ssize_t n;
      while (head_.find("\r\n\r\n") == std::string::npos && (n = read(connection, buffer, sizeof buffer)) > 0)
        head_.append(buffer, n);
      if (!reply.empty()) (void)!write(connection, reply.data(), reply.size());
      while (reply.empty() && read(connection, buffer, sizeof buffer) > 0) {
      }  // silent until the client gives up
      close(connection);
    });
  }
  ~RawPeer() {
    head();
    close(listener_);
  }
  const std::string& head() {  // once the client is done
    if (thread_.joinable()) thread_.join();
    return head_;
  }
  std::string url;

 private:
  int listener_ = socket(AF_INET, SOCK_STREAM, 0);
  std::string head_;
  std::thread thread_;
};

class HttpAgainstLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    reply("/hello", 200, "hi there");
    reply("/missing", 404, "<html>not here</html>");
    reply("/big", 200, std::string(100000, 'x'));
    auto& routes = server_.routes();
    routes.Get("/hop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hop2"); });
    routes.Get("/hop2", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hello", 301); });
    routes.Get("/to-file", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname"); });
    routes.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 201;
      res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
    });
    server_.start();
  }
  void reply(const std::string& path, int status, std::string body) {
    server_.routes().Get(path, [status, body](const httplib::Request&, httplib::Response& res) {
      res.status = status;
      res.set_content(body, "text/html");
    });
  }
  platform::HttpResponse get(const std::string& path, bool followRedirects = true) {
    return performHttp({.url = server_.url(path), .followRedirects = followRedirects});
  }

  testing_support::LoopbackHttpServer server_;
};

TEST_F(HttpAgainstLoopback, BodyIsKeptWhateverTheStatusAndRedirectsAreFollowedUnlessTurnedOff) {
  auto notFound = get("/missing");
  EXPECT_EQ(notFound.status, 404);
  EXPECT_FALSE(notFound.transportFailed());
  EXPECT_EQ(notFound.body, "<html>not here</html>");

  auto followed = get("/hop");
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, "hi there");
  EXPECT_EQ(followed.error, "");
  EXPECT_EQ(server_.targets(), (std::vector<std::string>{"/missing", "/hop", "/hop2", "/hello"}));
  EXPECT_EQ(get("/hop", false).status, 302);

  auto toFile = get("/to-file");  // a redirect may not reach a local file
  EXPECT_TRUE(toFile.transportFailed());
  EXPECT_FALSE(toFile.body.has_value());
  EXPECT_NE(toFile.error, "");
}

TEST_F(HttpAgainstLoopback, PostSendsBodyWithTheGivenContentType) {
  // Large enough to tempt "Expect: 100-continue".
  HttpRequest request{.method = "POST", .url = server_.url("/echo"), .headers = {{"Content-Type", "application/json"}},
                      .body = std::string(R"({"email":"a@b.example"})") + std::string(3000, ' ')};
  auto response = performHttp(request);
  EXPECT_EQ(response.status, 201);
  EXPECT_EQ(response.body, "application/json|" + request.body);
}

TEST_F(HttpAgainstLoopback, BodyOverTheLimitFailsTheRequest) {
  EXPECT_EQ(performHttp({.url = server_.url("/big"), .maxBodyBytes = 100000}).body->size(), 100000u);
  auto response = performHttp({.url = server_.url("/big"), .maxBodyBytes = 99999});
  EXPECT_TRUE(response.transportFailed());
  EXPECT_FALSE(response.body.has_value());
  EXPECT_THAT(response.error, testing::HasSubstr("larger than 99999 bytes"));
}

TEST(Http, HeadersGoOutInTheGivenOrderAndNoneIsAdded) {
  RawPeer peer("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  auto response = performHttp(
      {.url = peer.url, .headers = {{"X-Zeta", "1"}, {"Accept", "image/*"}, {"X-Alpha", "2"}, {"X-Empty", ""}}});
  EXPECT_EQ(response.status, 204);
  EXPECT_EQ(response.body, "");
  const std::string& head = peer.head();
  EXPECT_EQ(head.rfind("GET /path HTTP/1.1\r\n", 0), 0u) << head;
  auto zeta = head.find("\r\nX-Zeta: 1\r\n"), accept = head.find("\r\nAccept: image/*\r\n");
  auto alpha = head.find("\r\nX-Alpha: 2\r\n"), empty = head.find("\r\nX-Empty:\r\n");
  EXPECT_TRUE(zeta < accept && accept < alpha && alpha < empty && empty != std::string::npos) << head;
  EXPECT_EQ(head.find("User-Agent"), std::string::npos) << head;
}

TEST(Http, SilentPeerAndUnusableRequestsFailWithATextNotACrash) {
  RawPeer silent("");
  std::vector<HttpRequest> requests{{.url = silent.url, .timeoutSeconds = 0.5}};
  for (const char* url : {"", "not a url", "file:///etc/hostname", "ftp://127.0.0.1/x", "http://127.0.0.1:1/"})
    requests.push_back({.url = url});
  for (const auto& request : requests) {
    auto response = performHttp(request);
    EXPECT_TRUE(response.transportFailed()) << request.url;
    EXPECT_FALSE(response.body.has_value()) << request.url;
    EXPECT_NE(response.error, "") << request.url;
  }
  EXPECT_EQ(performHttp({.method = "PUT"}).error, "Unsupported HTTP method PUT");
}

}  // namespace
