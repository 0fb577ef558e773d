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

struct TypedCase {
  const char* typed;
  const char* expected;  // nullptr: no URL
};

void PrintTo(const TypedCase& c, std::ostream* os) { *os << '"' << c.typed << '"'; }

class TypedAddress : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedAddress, IsTrimmedAndGetsHttpsWithoutAScheme) {
  auto url = Url::fromUserText(GetParam().typed);
  if (!GetParam().expected) {
    EXPECT_FALSE(url) << url->string();
  } else {
    ASSERT_TRUE(url);
    EXPECT_EQ(url->string(), GetParam().expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedAddress,
    ::testing::Values(TypedCase{"", nullptr}, TypedCase{" \t\r\n ", nullptr}, TypedCase{"\u00a0\u2003\u2028", nullptr},
                      TypedCase{"github.com", "https://github.com"},
                      TypedCase{"  https://example.org/a?b=1 \n", "https://example.org/a?b=1"},
                      TypedCase{"\u3000example.org\u0085", "https://example.org"},
                      TypedCase{"example.org/path/page.html", "https://example.org/path/page.html"},
                      TypedCase{"http://example.org:8080/x?y#z", "http://example.org:8080/x?y#z"},
                      TypedCase{"HTTPS://Example.ORG", "HTTPS://Example.ORG"},
                      // By RFC 3986 "localhost" is the scheme here: used unchanged, no host.
                      TypedCase{"localhost:8080", "localhost:8080"},
                      TypedCase{"mailto:someone@example.org", "mailto:someone@example.org"},
                      TypedCase{"file:///tmp/a.html", "file:///tmp/a.html"},
                      TypedCase{"//cdn.example/x", "https:////cdn.example/x"},
                      TypedCase{"exa mple.org", nullptr}, TypedCase{"example.org/%zz", nullptr}));

}  // namespace
