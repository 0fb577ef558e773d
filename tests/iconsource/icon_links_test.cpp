#include "iconsource/icon_links.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "iconsource/website_icon_fetcher.hpp"

namespace {

using iconsource::normalizedWebsiteURL;
using iconsource::parseIconLinks;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> linksOf(std::string_view html, const std::string& page = "https://site.example/dir/page.html") {
  std::vector<std::string> out;
  for (const auto& url : parseIconLinks(html, *platform::Url::parse(page))) out.push_back(url.string());
  return out;
}

struct LinkCase {
  const char* name;
  std::string html;
  std::vector<std::string> expected;
};

class IconLinks : public ::testing::TestWithParam<LinkCase> {};

TEST_P(IconLinks, FindsWhatTheTagsName) { EXPECT_THAT(linksOf(GetParam().html), ElementsAreArray(GetParam().expected)); }

const std::string base = "https://site.example/";

INSTANTIATE_TEST_SUITE_P(
    Pages, IconLinks,
    ::testing::Values(
        LinkCase{"RelativeToThePagesFolder", R"(<link rel="icon" href="img/i.png">)", {base + "dir/img/i.png"}},
        LinkCase{"RootParentSchemeRelativeAndAbsolute",
                 R"(<link rel="icon" href="/a.png"><link rel=icon href='../b.png'><link rel="icon" href="//cdn.example/c.png">)"
                 R"(<link rel="icon" href="http://other.example:8080/d.png">)",
                 {base + "a.png", base + "b.png", "https://cdn.example/c.png", "http://other.example:8080/d.png"}},
        LinkCase{"AllCapitals", R"(<LINK REL="ICON" HREF="/FAV.ICO">)", {base + "FAV.ICO"}},
        LinkCase{"EveryKindOfIconRel",
                 R"(<link rel="shortcut icon" href="/1"><link rel="apple-touch-icon" href="/2">)"
                 R"(<link rel="apple-touch-icon-precomposed" href="/3"><link rel="mask-icon" href="/4">)",
                 {base + "1", base + "2", base + "3", base + "4"}},
        LinkCase{"IconAnywhereInTheTagCounts",
                 R"(<link rel="stylesheet" href="/icons.css"><link rel="preload" href="/x.woff" data-kind="ICONfont">)",
                 {base + "icons.css", base + "x.woff"}},
        LinkCase{"TagsWithoutIconAreSkipped", R"(<link rel="stylesheet" href="/main.css"><link rel=manifest href="/m.json">)", {}},
        LinkCase{"OnlyLinkTagsCount",
                 R"(<a href="/icon.png">icon</a><img src="/icon.png"><linked rel="icon" href="/no.png"><link/rel="icon" href="/yes.png">)",
                 {base + "yes.png"}},
        LinkCase{"FirstHrefInTheTagWins", R"(<link rel="icon" href="/first.png" href="/second.png">)", {base + "first.png"}},
        LinkCase{"SpacesAroundTheEqualsSignAndLineBreaksInTheTag",
                 "<link\n  rel=\"icon\"\n  href \t=\n 'spaced.png'\n>",
                 {base + "dir/spaced.png"}},
        LinkCase{"UnquotedValuesAreNotFound", R"(<link rel=icon href=/bare.png><link rel="icon" href="">)", {}},
        LinkCase{"ValueTakenVerbatim", R"(<link rel="icon" href="/i.png?a=1&amp;b=2">)", {base + "i.png?a=1&amp;b=2"}},
        LinkCase{"UnresolvableValueIsSkippedNotTheRest",
                 R"(<link rel="icon" href="bad path.png"><link rel="icon" href="http://[oops/x"><link rel="icon" href="/ok.png">)",
                 {base + "ok.png"}},
        LinkCase{"TagWithoutClosingBracketIsNoTag", R"(<link rel="icon" href="/open.png")", {}},
        LinkCase{"NonAsciiAroundTheTagsIsHarmless",
                 "caf\xc3\xa9 <link rel=\"ic\xc3\xb4ne icon\" href=\"/\xc3\xa9.png\"> \xff\xfe <link rel=\"icon\" href=\"/z.png\">",
                 {base + "%C3%A9.png", base + "z.png"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconLinksAtScale, ManyOpenTagsWithoutEndAndOneRealTag) {
  std::string html;
  for (int i = 0; i < 200000; ++i) html += "<link rel=icon href='x";
  html = R"(<link rel="icon" href="/real.png">)" + html;
  EXPECT_THAT(linksOf(html), ElementsAre(base + "real.png"));
}

TEST(NormalisedWebsiteURL, IsTheTypedAddressRule) {
  // The rule itself is pinned in the URL tests; the search must use it.
  EXPECT_EQ(normalizedWebsiteURL(" github.com/about\n")->string(), "https://github.com/about");
  EXPECT_EQ(normalizedWebsiteURL("localhost:8080")->host(), "");
}

}  // namespace
