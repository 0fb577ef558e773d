#include "platform/app_id.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

namespace {

struct IdCase {
  std::string bundleIdentifier;
  std::string applicationId;
};

class ApplicationId : public testing::TestWithParam<IdCase> {};

TEST_P(ApplicationId, IsValidForGLibAndAsExpected) {
  std::string id = platform::applicationIdForBundleIdentifier(GetParam().bundleIdentifier);
  EXPECT_TRUE(g_application_id_is_valid(id.c_str())) << id;
  EXPECT_EQ(id, GetParam().applicationId);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, ApplicationId,
    testing::Values(IdCase{"co.corvan.nimbrel.my-cool-app-1a2b3c", "co.corvan.nimbrel.my-cool-app-1a2b3c"},
                    IdCase{"co.corvan.nimbrel.2048-abcdef", "co.corvan.nimbrel._2048-abcdef"},
                    IdCase{"co.corvan.nimbrel.caf\u00e9-00ff00", "co.corvan.nimbrel.caf__-00ff00"},
                    IdCase{"co.corvan..nimbrel.", "co.corvan.nimbrel"}, IdCase{"single", "app.single"},
                    IdCase{"", "app.unnamed"}, IdCase{"...", "app.unnamed"},
                    IdCase{"with space.and/slash", "with_space.and_slash"},
                    IdCase{std::string("nul\0byte.x", 10), "nul_byte.x"}));

TEST(ApplicationIdLimits, LongIdentifiersAreCutToAValidId) {
  for (const std::string& identifier : {"co." + std::string(400, 'a'), std::string(400, 'b') + ".x",
                                        std::string(300, 'c'), "a." + std::string(253, 'd') + ".e"}) {
    std::string id = platform::applicationIdForBundleIdentifier(identifier);
    EXPECT_LE(id.size(), 255u);
    EXPECT_TRUE(g_application_id_is_valid(id.c_str())) << id;
  }
}

}  // namespace
