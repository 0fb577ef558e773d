// The wizard takes the first link in whatever text is typed or dropped.

#include "platform/link_detector.hpp"

#include <gtest/gtest.h>

namespace {

struct Found {
  const char* text;
  const char* link = nullptr;  // the matched part of the text; nullptr: all of it
  const char* url = nullptr;   // nullptr: the link as it stands
};

TEST(LinkDetector, ReportsTheFirstLinkAndWhereItStands) {
  const Found rows[] = {
      {"visit example.org today", "example.org", "http://example.org"},
      {"https://www.youtube.com"},
      {"HTTP://Example.ORG/a?b=c#d"},
      {"www.example.co.uk:8080/path/to?x=1", nullptr, "http://www.example.co.uk:8080/path/to?x=1"},
      {"write to jane.doe+news@mail.example.com.", "jane.doe+news@mail.example.com",
       "mailto:jane.doe+news@mail.example.com"},
      {"mailto:me@localhost"},
      {"(see docs.example.dev/guide).", "docs.example.dev/guide", "http://docs.example.dev/guide"},
      {"https://en.example.org/wiki/Foo_(bar)"},
      {"\"example.org\"", "example.org", "http://example.org"},
      {"http://localhost:3000/app"},
      {"http://127.0.0.1:8080"},
      {"http://[::1]:8080/x"},
      {"file:///home/me/site/index.html"},
      {"https://user:pw@example.org/"},
      {"URL:https://example.org", "https://example.org"},
      {"bücher.de", nullptr, "http://bücher.de"},
      {"пример.рф", nullptr, "http://пример.рф"},
      {"ПРИМЕР.РФ", nullptr, "http://ПРИМЕР.РФ"},  // top-level domains in any case
      {"xn--bcher-kva.de", nullptr, "http://xn--bcher-kva.de"},
      {"example.xn--p1ai", nullptr, "http://example.xn--p1ai"},
      {"访问example.cn。", "访问example.cn", "http://访问example.cn"},
      {"first example.org then example.net", "example.org", "http://example.org"},
      {"example.org/@someone", nullptr, "http://example.org/@someone"},
      {"hello\u00A0example.org", "example.org", "http://example.org"},
      {"«example.org»", "example.org", "http://example.org"},
      {"\xff" "example.org \xc3", "example.org", "http://example.org"},  // bytes that are not UTF-8 split words
  };
  for (const Found& row : rows) {
    const std::string text = row.text, link = row.link ? row.link : text;
    auto match = platform::firstLink(text);
    ASSERT_TRUE(match) << text;
    EXPECT_EQ(text.substr(match->offset, match->length), link) << text;
    EXPECT_EQ(match->url, row.url ? row.url : link) << text;
  }
  EXPECT_TRUE(platform::containsLink(std::string(63, 'a') + ".com"));  // the longest label there is
}

TEST(LinkDetector, TextWithoutALinkReportsNone) {
  std::string longHost;
  while (longHost.size() < 260) longHost += "abcdefghi.";
  for (const std::string& text : std::vector<std::string>{
           "", "hello", "   ", "hello world", "version 1.2.3.4 is out", "notes.txt", "node.js", "e.g. this",
        "localhost:3000", "example", "example.", ".org", "example.org:99999", "example.org:http", "-example.org",
        "example-.org", "exa_mple.org", "a..b.org", "me@localhost", "@example", "user@@example.org", "http://",
        "https:///path", "http://.org", "ftp:example.org", "10.0.0.1", "mailto:nobody", "http://-bad-.org", "xn--.de",
        "exa\xffmple", std::string(64, 'a') + ".com", longHost + "com"}) {
    EXPECT_FALSE(platform::containsLink(text)) << text;
  }
}

}  // namespace
