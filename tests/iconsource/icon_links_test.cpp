#include "iconsource/icon_links.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using iconsource::parseIconLinks;
using ::testing::ElementsAreArray;

std::vector<std::string> linksOf(std::string_view html, const std::string& page = "https://site.example/dir/page.html") {
  std::vector<std::string> out;
  for (const auto& url : parseIconLinks(html, *platform::Url::parse(page))) out.push_back(url.string());
  return out;
}

const std::string base = "https://site.example/";

// Which links a page's tags name, resolved against the page. Unclosed tags by
// the hundred thousand must not make the scan quadratic.
TEST(IconLinks, FindsWhatTheTagsName) {
  std::string openTags = R"(<link rel="icon" href="/real.png">)";
  for (int i = 0; i < 200000; ++i) openTags += "<link rel=icon href='x";
  const std::tuple<const char*, std::string, std::vector<std::string>> rows[] = {
      {"RelativeRootParentSchemeRelativeAndAbsolute",
       R"(<link rel="icon" href="img/i.png"><link rel="icon" href="/a.png"><link rel=icon href='../b.png'>)"
       R"(<link rel="icon" href="//cdn.example/c.png"><link rel="icon" href="http://other.example:8080/d.png">)",
       {base + "dir/img/i.png", base + "a.png", base + "b.png", "https://cdn.example/c.png",
        "http://other.example:8080/d.png"}},
      {"AllCapitals", R"(<LINK REL="ICON" HREF="/FAV.ICO">)", {base + "FAV.ICO"}},
      {"IconAnywhereInTheTagCounts",
       R"(<link rel="stylesheet" href="/icons.css"><link rel="preload" href="/x.woff" data-kind="ICONfont">)",
       {base + "icons.css", base + "x.woff"}},
      {"TagsWithoutIconAreSkipped", R"(<link rel="stylesheet" href="/main.css"><link rel=manifest href="/m.json">)", {}},
      {"OnlyLinkTagsCount",
       R"(<a href="/icon.png">icon</a><img src="/icon.png"><linked rel="icon" href="/no.png"><link/rel="icon" href="/yes.png">)",
       {base + "yes.png"}},
      {"FirstHrefInTheTagWins", R"(<link rel="icon" href="/first.png" href="/second.png">)", {base + "first.png"}},
      {"SpacesAroundTheEqualsSignAndLineBreaksInTheTag",
       "<link\n  rel=\"icon\"\n  href \t=\n 'spaced.png'\n>",
       {base + "dir/spaced.png"}},
      {"UnquotedValuesAreNotFound", R"(<link rel=icon href=/bare.png><link rel="icon" href="">)", {}},
      {"UnresolvableValueIsSkippedNotTheRest",
       R"(<link rel="icon" href="bad path.png"><link rel="icon" href="http://[oops/x"><link rel="icon" href="/ok.png">)",
       {base + "ok.png"}},
      {"TagWithoutClosingBracketIsNoTag", R"(<link rel="icon" href="/open.png")", {}},
      {"NonAsciiAroundTheTagsIsHarmless",
       "caf\xc3\xa9 <link rel=\"ic\xc3\xb4ne icon\" href=\"/\xc3\xa9.png\"> \xff\xfe <link rel=\"icon\" href=\"/z.png\">",
       {base + "%C3%A9.png", base + "z.png"}},
      {"ManyOpenTagsWithoutEndAndOneRealTag", openTags, {base + "real.png"}}};
  for (const auto& [name, html, expected] : rows) EXPECT_THAT(linksOf(html), ElementsAreArray(expected)) << name;
}

}  // namespace
