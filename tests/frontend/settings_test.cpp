#include <gtest/gtest.h>

#include "frontend/signing_settings.hpp"
#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

using frontend::SigningSettings;
using platform::UserDefaults;

class SettingsTest : public ::testing::Test {
 protected:
  testing_support::TempDir home;
  testing_support::ScopedEnv xdg{"XDG_CONFIG_HOME", home.path().string()};
  UserDefaults defaults{"co.corvan.nimbrel"};
  SigningSettings settings{defaults};
};

TEST_F(SettingsTest, FreshInstallSignsAdhocWithATitleBarAndWritesNothing) {
  EXPECT_FALSE(settings.useDeveloperID());
  EXPECT_EQ(settings.identity(), "");
  EXPECT_FALSE(settings.notarize());
  EXPECT_EQ(settings.notaryProfile(), "");
  EXPECT_TRUE(settings.showTitleBar());
  EXPECT_TRUE(settings.signingMode().isAdhoc());

  builder::AppGenerator request;
  request.fullContent = true;
  request.signing = builder::SigningMode::developerID("stale");
  settings.applyTo(request);
  EXPECT_FALSE(request.fullContent);
  EXPECT_TRUE(request.signing.isAdhoc());
  EXPECT_FALSE(std::filesystem::exists(defaults.filePath()));
}

TEST_F(SettingsTest, ValuesAreStoredUnderTheirKeysAndSharedByEveryInstance) {
  settings.setUseDeveloperID(true);
  settings.setIdentity("Developer ID Application: A (T)");
  settings.setNotarize(true);
  settings.setNotaryProfile("prof");
  settings.setShowTitleBar(false);
  EXPECT_EQ(defaults.boolean("signing.useDeveloperID"), true);
  EXPECT_EQ(defaults.string("signing.identity"), "Developer ID Application: A (T)");
  EXPECT_EQ(defaults.boolean("signing.notarize"), true);
  EXPECT_EQ(defaults.string("signing.notaryProfile"), "prof");
  EXPECT_EQ(defaults.boolean("general.showTitleBar"), false);

  // Another instance (a later launch, or the settings sheet) reads the same.
  SigningSettings other(UserDefaults("co.corvan.nimbrel"));
  EXPECT_TRUE(other.fullContent());
  other.setShowTitleBar(true);
  EXPECT_FALSE(settings.fullContent());
}

TEST_F(SettingsTest, ValueOfAnotherTypeReadsAsTheDefault) {
  defaults.set("general.showTitleBar", "no");
  defaults.set("signing.useDeveloperID", 1);
  EXPECT_TRUE(settings.showTitleBar());
  EXPECT_FALSE(settings.useDeveloperID());
}

TEST_F(SettingsTest, ObserversHearEveryWriteUntilTheyLeave) {
  int calls = 0;
  int token = settings.observe([&] { ++calls; });
  settings.setIdentity("x");
  settings.setShowTitleBar(false);
  EXPECT_EQ(calls, 2);
  settings.unobserve(token);
  settings.setNotarize(true);
  EXPECT_EQ(calls, 2);
}

TEST_F(SettingsTest, SwitchingDeveloperIDOffKeepsTheOtherValuesForLater) {
  settings.setUseDeveloperID(true);
  settings.setIdentity("Dev");
  settings.setNotarize(true);
  settings.setNotaryProfile("p");
  settings.setUseDeveloperID(false);
  EXPECT_TRUE(settings.signingMode().isAdhoc());
  settings.setUseDeveloperID(true);
  auto mode = settings.signingMode();
  auto* id = mode.asDeveloperID();
  ASSERT_TRUE(id);
  EXPECT_EQ(id->identity, "Dev");
  EXPECT_EQ(id->notaryProfile, "p");
}

struct SigningCase {
  const char* name;
  bool useDeveloperID;
  const char* identity;
  bool notarize;
  const char* notaryProfile;
  std::optional<std::string> expectedIdentity;  // nothing: ad-hoc
  std::optional<std::string> expectedProfile;
};

class SigningModeRules : public SettingsTest, public ::testing::WithParamInterface<SigningCase> {};

TEST_P(SigningModeRules, MapTheStoredValues) {
  const auto& c = GetParam();
  settings.setUseDeveloperID(c.useDeveloperID);
  settings.setIdentity(c.identity);
  settings.setNotarize(c.notarize);
  settings.setNotaryProfile(c.notaryProfile);
  auto mode = settings.signingMode();
  if (!c.expectedIdentity) {
    EXPECT_TRUE(mode.isAdhoc());
    return;
  }
  auto* id = mode.asDeveloperID();
  ASSERT_TRUE(id);
  EXPECT_EQ(id->identity, *c.expectedIdentity);
  EXPECT_EQ(id->notaryProfile, c.expectedProfile);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SigningModeRules,
    ::testing::Values(
        SigningCase{"Off", false, "Dev", true, "p", std::nullopt, std::nullopt},
        SigningCase{"EmptyIdentity", true, "", true, "p", std::nullopt, std::nullopt},
        SigningCase{"BlankIdentity", true, " \t  ", false, "", std::nullopt, std::nullopt},
        SigningCase{"LeadingSpaceKept", true, " Dev", false, "", " Dev", std::nullopt},
        SigningCase{"LineBreakIsNotBlank", true, "\n", false, "", "\n", std::nullopt},
        SigningCase{"NotarizeWithoutProfile", true, "Dev", true, "", "Dev", std::nullopt},
        SigningCase{"ProfileWithoutNotarize", true, "Dev", false, "p", "Dev", std::nullopt},
        SigningCase{"Notarized", true, "Dev", true, "p", "Dev", "p"},
        SigningCase{"BlankProfilePassedOn", true, "Dev", true, "  ", "Dev", "  "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
