#include "platform/link_detector.hpp"

#include <gtest/gtest.h>

namespace {

struct Found {
  const char* text;
  const char* link;  // the matched part of the text
  const char* url;
};

void PrintTo(const Found& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class LinkFound : public testing::TestWithParam<Found> {};

TEST_P(LinkFound, ReportsTheLinkAndWhereItStands) {
  const Found& c = GetParam();
  auto match = platform::firstLink(c.text);
  ASSERT_TRUE(match) << c.text;
  EXPECT_EQ(std::string(c.text).substr(match->offset, match->length), c.link);
  EXPECT_EQ(match->url, c.url);
}

INSTANTIATE_TEST_SUITE_P(
    Text, LinkFound,
    testing::Values(
        Found{"visit example.org today", "example.org", "http://example.org"},
        Found{"https://www.youtube.com", "https://www.youtube.com", "https://www.youtube.com"},
        Found{"HTTP://Example.ORG/a?b=c#d", "HTTP://Example.ORG/a?b=c#d", "HTTP://Example.ORG/a?b=c#d"},
        Found{"www.example.co.uk:8080/path/to?x=1", "www.example.co.uk:8080/path/to?x=1",
              "http://www.example.co.uk:8080/path/to?x=1"},
        Found{"write to jane.doe+news@mail.example.com.", "jane.doe+news@mail.example.com",
              "mailto:jane.doe+news@mail.example.com"},
        Found{"mailto:me@localhost", "mailto:me@localhost", "mailto:me@localhost"},
        Found{"(see docs.example.dev/guide).", "docs.example.dev/guide", "http://docs.example.dev/guide"},
        Found{"https://en.example.org/wiki/Foo_(bar)", "https://en.example.org/wiki/Foo_(bar)",
              "https://en.example.org/wiki/Foo_(bar)"},
        Found{"\"example.org\"", "example.org", "http://example.org"},
        Found{"http://localhost:3000/app", "http://localhost:3000/app", "http://localhost:3000/app"},
        Found{"http://127.0.0.1:8080", "http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        Found{"http://[::1]:8080/x", "http://[::1]:8080/x", "http://[::1]:8080/x"},
        Found{"file:///home/me/site/index.html", "file:///home/me/site/index.html", "file:///home/me/site/index.html"},
        Found{"https://user:pw@example.org/", "https://user:pw@example.org/", "https://user:pw@example.org/"},
        Found{"URL:https://example.org", "https://example.org", "https://example.org"},
        Found{"bücher.de", "bücher.de", "http://bücher.de"}, Found{"пример.рф", "пример.рф", "http://пример.рф"},
        Found{"xn--bcher-kva.de", "xn--bcher-kva.de", "http://xn--bcher-kva.de"},
        Found{"访问example.cn。", "访问example.cn", "http://访问example.cn"},
        Found{"first example.org then example.net", "example.org", "http://example.org"},
        Found{"example.org/@someone", "example.org/@someone", "http://example.org/@someone"},
        Found{"hello\u00A0example.org", "example.org", "http://example.org"},
        Found{"«example.org»", "example.org", "http://example.org"}));

class NoLink : public testing::TestWithParam<const char*> {};

TEST_P(NoLink, IsNotReported) { EXPECT_FALSE(platform::firstLink(GetParam())) << GetParam(); }

INSTANTIATE_TEST_SUITE_P(Text, NoLink,
                         testing::Values("", "hello", "   ", "hello world", "version 1.2.3.4 is out", "notes.txt",
                                         "node.js", "e.g. this", "localhost:3000", "example", "example.", ".org",
                                         "example.org:99999", "example.org:http", "-example.org", "example-.org",
                                         "exa_mple.org", "a..b.org", "me@localhost", "@example", "user@@example.org",
                                         "http://", "https:///path", "http://.org", "ftp:example.org", "10.0.0.1",
                                         "mailto:nobody", "http://-bad-.org", "xn--.de"));

TEST(LinkDetector, InvalidUtf8SplitsWordsButKeepsLinksAround) {
  EXPECT_TRUE(platform::containsLink(std::string("\xff\xfe example.org \xc3")));
  EXPECT_FALSE(platform::containsLink(std::string("exa\xffmple")));
  auto match = platform::firstLink(std::string("\xff" "example.org"));
  ASSERT_TRUE(match);
  EXPECT_EQ(match->offset, 1u);
}

TEST(LinkDetector, LongLabelsAndHostsAreRejected) {
  std::string label63(63, 'a');
  EXPECT_TRUE(platform::containsLink(label63 + ".com"));
  EXPECT_FALSE(platform::containsLink(label63 + "a.com"));
  std::string host;
  while (host.size() < 260) host += "abcdefghi.";
  EXPECT_FALSE(platform::containsLink(host + "com"));
}

TEST(LinkDetector, TopLevelDomainsIgnoreCase) {
  for (const char* known : {"COM", "РФ", "xn--p1ai"}) EXPECT_TRUE(platform::isKnownTopLevelDomain(known)) << known;
  for (const char* unknown : {"txt", "123", ""}) EXPECT_FALSE(platform::isKnownTopLevelDomain(unknown)) << unknown;
}

}  // namespace
