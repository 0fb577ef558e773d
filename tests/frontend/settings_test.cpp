#include <gtest/gtest.h>

#include "frontend/signing_settings.hpp"
#include "platform/dispatch.hpp"
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

// The keys themselves are pinned where another program reads them: CommandLine.SavedSettings… and the settings journey.
TEST_F(SettingsTest, FreshInstallBuildsAdhocAndWritesNothingAndADroppedObserverHearsNothing) {
  builder::AppGenerator request;
  request.fullContent = true;
  settings.applyTo(request);
  EXPECT_FALSE(request.fullContent);
  EXPECT_TRUE(request.signing.isAdhoc());
  EXPECT_FALSE(std::filesystem::exists(defaults.filePath())) << "defaults are not written";
  int calls = 0;
  auto connection = settings.observe([&] { ++calls; });
  settings.setShowTitleBar(false);
  connection.disconnect();
  settings.setShowTitleBar(true);
  EXPECT_EQ(calls, 1);
}

TEST_F(SettingsTest, ChangesWrittenByAnotherProcessReachObserversOnce) {
  std::vector<std::string> seen;
  auto connection = settings.observe([&] { seen.push_back(settings.identity()); });
  UserDefaults elsewhere("co.corvan.nimbrel");  // another process's view of the same file
  auto waitFor = [&](const char* identity) {
    platform::runMainLoopUntil([&] { return !seen.empty() && seen.back() == identity; });
  };
  elsewhere.set(SigningSettings::identityKey, "from the command line");
  waitFor("from the command line");
  settings.setIdentity("from the sheet");
  elsewhere.set(SigningSettings::identityKey, "again from outside");
  waitFor("again from outside");
  EXPECT_EQ(seen, (std::vector<std::string>{"from the command line", "from the sheet", "again from outside"}))
      << "our own write is announced once, not again when the file changes";
}

struct SigningCase {
  const char* name;
  bool useDeveloperID, notarize;
  const char *identity, *notaryProfile;
  std::optional<std::string> expectedIdentity, expectedProfile;  // no identity: ad-hoc
};

class SigningModeRules : public SettingsTest, public ::testing::WithParamInterface<SigningCase> {};

TEST_P(SigningModeRules, MapTheStoredValues) {
  const auto& c = GetParam();
  settings.setUseDeveloperID(c.useDeveloperID);
  settings.setIdentity(c.identity);
  settings.setNotarize(c.notarize);
  settings.setNotaryProfile(c.notaryProfile);
  auto mode = settings.signingMode();
  auto* id = mode.asDeveloperID();
  ASSERT_EQ(id != nullptr, c.expectedIdentity.has_value());
  if (!id) return;
  EXPECT_EQ(id->identity, *c.expectedIdentity);
  EXPECT_EQ(id->notaryProfile, c.expectedProfile);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SigningModeRules,
    ::testing::Values(SigningCase{"Off", false, true, "Dev", "p", std::nullopt, std::nullopt},
                      SigningCase{"BlankIdentity", true, false, " \t  ", "", std::nullopt, std::nullopt},
                      SigningCase{"LeadingSpaceKept", true, false, " Dev", "", " Dev", std::nullopt},
                      SigningCase{"LineBreakIsNotBlank", true, false, "\n", "", "\n", std::nullopt},
                      SigningCase{"NotarizeWithoutProfile", true, true, "Dev", "", "Dev", std::nullopt},
                      SigningCase{"ProfileWithoutNotarize", true, false, "Dev", "p", "Dev", std::nullopt},
                      SigningCase{"Notarized", true, true, "Dev", "p", "Dev", "p"},
                      SigningCase{"BlankProfilePassedOn", true, true, "Dev", "  ", "Dev", "  "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
