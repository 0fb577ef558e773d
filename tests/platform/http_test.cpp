#include "platform/http.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/loopback_http_server.hpp"

// Requests are written with designated initializers; the fields left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using platform::HttpRequest;
using platform::performHttp;
using testing::HasSubstr;

class Http : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& routes = server_.routes();
    routes.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(100000, 'x'), "text/plain");
    });
    routes.Get("/to-file", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname"); });
    routes.Get("/silent", [this](const httplib::Request&, httplib::Response&) { server_.hang(); });
    // Echoes the request's headers, one "Name: value" a line.
    routes.Get("/headers", [](const httplib::Request& req, httplib::Response& res) {
      std::string all;
      for (const auto& [name, value] : req.headers) all += name + ": " + value + "\n";
      res.set_content(all, "text/plain");
    });
    routes.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 201;
      res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
    });
    server_.start();
  }

  testing_support::LoopbackHttpServer server_;
};

// Redirects and bodies of error pages: the icon search's tests.
TEST_F(Http, PostSendsBodyWithTheGivenContentType) {
  // Large enough to tempt "Expect: 100-continue".
  HttpRequest request{.method = "POST", .url = server_.url("/echo"), .headers = {{"Content-Type", "application/json"}},
                      .body = std::string(R"({"email":"a@b.example"})") + std::string(3000, ' ')};
  auto response = performHttp(request);
  EXPECT_EQ(response.status, 201);
  EXPECT_EQ(response.body, "application/json|" + request.body);
}

// The icon search and the mailing list send exactly the headers they name: no
// User-Agent of the library's own, no second Accept.
TEST_F(Http, SendsTheGivenHeadersAndAddsNone) {
  auto response = performHttp({.url = server_.url("/headers"),
                               .headers = {{"X-Zeta", "1"}, {"Accept", "image/*"}}});
  const std::string headers = response.body.value_or("");
  EXPECT_THAT(headers, HasSubstr("\nX-Zeta: 1\n"));
  EXPECT_THAT(headers, HasSubstr("Accept: image/*\n"));
  EXPECT_EQ(headers.find("Accept: */*"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("User-Agent"), std::string::npos) << headers;
}

// A failure is an error text and no body: never a crash, a hang, a file read through a redirect or an oversized body.
TEST_F(Http, UnusableRequestsAndAnswersFailWithAText) {
  std::vector<HttpRequest> requests{{.url = server_.url("/silent"), .timeoutSeconds = 0.5},
                                    {.url = server_.url("/to-file")},
                                    {.url = server_.url("/big"), .maxBodyBytes = 99999}};
  for (const char* url : {"not a url", "file:///etc/hostname", "http://127.0.0.1:1/"})
    requests.push_back({.url = url});
  for (const auto& request : requests) {
    auto response = performHttp(request);
    EXPECT_TRUE(response.transportFailed()) << request.url;
    EXPECT_FALSE(response.body.has_value()) << request.url;
    EXPECT_NE(response.error, "") << request.url;
  }
  EXPECT_THAT(performHttp(requests[2]).error, HasSubstr("larger than 99999 bytes"));
  EXPECT_EQ(performHttp({.url = server_.url("/big"), .maxBodyBytes = 100000}).body->size(), 100000u);
  EXPECT_EQ(performHttp({.method = "PUT"}).error, "Unsupported HTTP method PUT");
}

}  // namespace
