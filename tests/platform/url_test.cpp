#include "platform/url.hpp"

#include <gtest/gtest.h>

using platform::Url;

namespace {

TEST(Url, AbsoluteAndRelativeReferences) {
  auto abs = Url::parse("https://example.org:8443/a/b?q=1");
  ASSERT_TRUE(abs);
  EXPECT_EQ(abs->scheme(), "https");
  EXPECT_EQ(abs->host(), "example.org");
  EXPECT_EQ(abs->port(), 8443);
  EXPECT_EQ(abs->path(), "/a/b");
  EXPECT_EQ(abs->query(), "q=1");

  auto bare = Url::parse("example.org/path");
  ASSERT_TRUE(bare);
  EXPECT_FALSE(bare->hasScheme());
  EXPECT_TRUE(bare->host().empty());

  // By RFC 3986 the text before the colon is a scheme: no host at all.
  auto hostPort = Url::parse("localhost:8080");
  ASSERT_TRUE(hostPort);
  EXPECT_EQ(hostPort->scheme(), "localhost");
  EXPECT_TRUE(hostPort->host().empty());

  auto mail = Url::parse("MAILTO:someone@example.org");
  ASSERT_TRUE(mail);
  EXPECT_EQ(platform::asciiLower(mail->scheme()), "mailto");
}

TEST(Url, RejectsTextThatIsNoUri) {
  EXPECT_FALSE(Url::parse("has space.com"));
  EXPECT_FALSE(Url::parse("https://exa mple.com"));
  EXPECT_FALSE(Url::parse("https://example.com/%zz"));
  EXPECT_FALSE(Url::parse("a<b"));
  EXPECT_FALSE(Url::parse("line\nbreak"));
}

TEST(Url, FileUrlsRoundTripPaths) {
  auto url = Url::fromPath("/tmp/a b/c\u00e9.html");
  EXPECT_TRUE(url.isFile());
  EXPECT_EQ(url.filePath(), "/tmp/a b/c\u00e9.html");
  EXPECT_EQ(url.string(), "file:///tmp/a%20b/c%C3%A9.html");
}

}  // namespace
