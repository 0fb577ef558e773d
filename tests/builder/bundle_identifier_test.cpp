#include "builder/bundle_identifier.hpp"

#include <gtest/gtest.h>

#include <regex>

#include "builder/build_fixture.hpp"

namespace {

using builder::SiteSource;
using testing_support::appRequest;

struct NameCase {
  const char* name;
  const char* executable;
  const char* slug;
};

class DerivedNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(DerivedNames, ExecutableNameAndSlug) {
  EXPECT_EQ(builder::executableName(GetParam().name), GetParam().executable);
  EXPECT_EQ(builder::identifierSlug(GetParam().name), GetParam().slug);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DerivedNames,
    ::testing::Values(NameCase{"My Cool App!", "My Cool App!", "my-cool-app"}, NameCase{"   ", "App", "app"},
                      NameCase{"A/B", "A-B", "a-b"}, NameCase{"/", "-", "app"},
                      // "." and ".." cannot be file names in MacOS/.
                      NameCase{" . ", "App", "app"}, NameCase{"..", "App", "app"},
                      NameCase{"--a--b--", "--a--b--", "a-b"},
                      // Unicode white space is trimmed too (ideographic space, next line).
                      NameCase{"\u3000Docs\u0085", "Docs", "docs"},
                      NameCase{"Caf\u00e9 2", "Caf\u00e9 2", "caf\u00e9-2"},
                      // A letter followed by a combining accent is one character and stays whole.
                      NameCase{"Cafe\u0301 2", "Cafe\u0301 2", "cafe\u0301-2"},
                      NameCase{"\u041f\u0440\u0438\u0432\u0435\u0442 \u041c\u0438\u0440",
                               "\u041f\u0440\u0438\u0432\u0435\u0442 \u041c\u0438\u0440",
                               "\u043f\u0440\u0438\u0432\u0435\u0442-\u043c\u0438\u0440"},
                      NameCase{"\u6771\u4eac \u30bf\u30ef\u30fc", "\u6771\u4eac \u30bf\u30ef\u30fc",
                               "\u6771\u4eac-\u30bf\u30ef\u30fc"},
                      // Arabic-Indic digits are numbers.
                      NameCase{"\u0663 Apps", "\u0663 Apps", "\u0663-apps"},
                      NameCase{"\U0001F680 Rocket \U0001F468\u200D\U0001F469\u200D\U0001F467",
                               "\U0001F680 Rocket \U0001F468\u200D\U0001F469\u200D\U0001F467", "rocket"}));

TEST(BundleIdentifier, IsPrefixSlugAndSixHexDigitsRepeatableWithinOneRun) {
  const std::regex shape(R"(co\.corvan\.nimbrel\.my-cool-app-[0-9a-f]{6})");
  auto web = appRequest("My Cool App!", SiteSource::url("https://docs.example.org"));
  EXPECT_TRUE(std::regex_match(builder::bundleIdentifier(web), shape));
  EXPECT_TRUE(
      std::regex_match(builder::bundleIdentifier(appRequest("My Cool App!", SiteSource::localFolder("/srv/site"))), shape));
  EXPECT_EQ(builder::bundleIdentifier(web), builder::bundleIdentifier(web));
  // A local folder is keyed by its last component, with or without a trailing slash.
  EXPECT_EQ(builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/srv/site/"))),
            builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/other/site"))));
}

}  // namespace
