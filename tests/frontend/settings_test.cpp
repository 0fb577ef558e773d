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

// Defaults (ad hoc, title bar shown) and the keys: CommandLine tables and the settings journey.
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

TEST_F(SettingsTest, SigningModeFollowsTheStoredValues) {
  using Expected = std::optional<std::string>;  // no identity: ad hoc
  const std::tuple<const char*, bool, bool, const char*, const char*, Expected, Expected> rows[] = {
      {"off", false, true, "Dev", "p", {}, {}},
      {"blank identity", true, false, " \t  ", "", {}, {}},
      {"leading space kept", true, false, " Dev", "", " Dev", {}},
      {"notarize without profile", true, true, "Dev", "", "Dev", {}},
      {"notarized", true, true, "Dev", "p", "Dev", "p"},
  };
  for (const auto& [name, useDeveloperID, notarize, identity, profile, expectedIdentity, expectedProfile] : rows) {
    settings.setUseDeveloperID(useDeveloperID);
    settings.setIdentity(identity);
    settings.setNotarize(notarize);
    settings.setNotaryProfile(profile);
    auto mode = settings.signingMode();
    auto* id = mode.asDeveloperID();
    EXPECT_EQ(id ? std::optional(id->identity) : std::nullopt, expectedIdentity) << name;
    EXPECT_EQ(id ? id->notaryProfile : std::nullopt, expectedProfile) << name;
  }
}

}  // namespace
