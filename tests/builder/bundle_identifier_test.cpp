#include "builder/bundle_identifier.hpp"

#include <gtest/gtest.h>

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
                      NameCase{"A/B", "A-B", "a-b"},
                      // "." and ".." cannot be file names in MacOS/.
                      NameCase{" . ", "App", "app"}, NameCase{"..", "App", "app"},
                      NameCase{"--a--b--", "--a--b--", "a-b"},
                      // Unicode white space is trimmed too (ideographic space, next line).
                      NameCase{"\u3000Docs\u0085", "Docs", "docs"},
                      // A letter followed by a combining accent is one character and stays whole.
                      NameCase{"Cafe\u0301 2", "Cafe\u0301 2", "cafe\u0301-2"},
                      NameCase{"\u041f\u0440\u0438 \u041c\u0438\u0440", "\u041f\u0440\u0438 \u041c\u0438\u0440",
                               "\u043f\u0440\u0438-\u043c\u0438\u0440"},
                      NameCase{"\u0663 Apps", "\u0663 Apps", "\u0663-apps"},  // Arabic-Indic digits are numbers
                      NameCase{"\U0001F680 Rocket", "\U0001F680 Rocket", "rocket"}));

// A local folder is keyed by its last component, with or without a trailing slash.
TEST(BundleIdentifier, LocalFolderIsKeyedByItsLastComponent) {
  EXPECT_EQ(builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/srv/site/"))),
            builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/other/site"))));
  EXPECT_NE(builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/srv/site"))),
            builder::bundleIdentifier(appRequest("Docs", SiteSource::localFolder("/srv/other"))));
}

}  // namespace
