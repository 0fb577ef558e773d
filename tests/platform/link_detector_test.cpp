// The wizard accepts typed or dropped text that holds a link somewhere.

#include "platform/link_detector.hpp"

#include <gtest/gtest.h>

namespace {

TEST(LinkDetector, FindsALinkAnywhereInTheText) {
  for (const char* text : {
           "visit example.org today", "HTTP://Example.ORG/a?b=c#d", "www.example.co.uk:8080/path/to?x=1",
           "write to jane.doe+news@mail.example.com.", "mailto:me@localhost", "https://en.example.org/wiki/Foo_(bar)",
           "http://localhost:3000/app", "http://127.0.0.1:8080", "http://[::1]:8080/x", "file:///home/me/site/index.html",
           "https://user:pw@example.org/", "bücher.de", "ПРИМЕР.РФ", "example.xn--p1ai", "访问example.cn。",
           "hello\u00A0example.org", "\xff" "example.org \xc3",  // bytes that are not UTF-8 split words
           "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.com"})  // the longest label there is
    EXPECT_TRUE(platform::containsLink(text)) << text;
}

TEST(LinkDetector, TextWithoutALinkHasNone) {
  std::string longHost;
  while (longHost.size() < 260) longHost += "abcdefghi.";
  for (const std::string& text : std::vector<std::string>{
           "", "hello world", "version 1.2.3.4 is out", "notes.txt", "node.js", "e.g. this", "localhost:3000",
           "example.", ".org", "example.org:99999", "-example.org", "exa_mple.org", "a..b.org", "me@localhost",
           "user@@example.org", "http://", "http://.org", "ftp:example.org", "10.0.0.1", "mailto:nobody", "xn--.de",
           "exa\xffmple", std::string(64, 'a') + ".com", longHost + "com"})
    EXPECT_FALSE(platform::containsLink(text)) << text;
}

}  // namespace
