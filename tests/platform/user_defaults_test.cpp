#include "platform/user_defaults.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <system_error>

#include "tests/support/child_process.hpp"
#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using platform::UserDefaults;
using platform::plist::Date;
using platform::plist::Dictionary;
using testing_support::ChildProcess;
using testing_support::ScopedEnv;
using testing_support::TempDir;

class UserDefaultsTest : public ::testing::Test {
 protected:
  TempDir home;
  ScopedEnv xdg{"XDG_CONFIG_HOME", home.path().string()};
  UserDefaults defaults{"co.example.test"};

  std::vector<fs::path> corruptCopies() const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(defaults.filePath().parent_path())) {
      if (entry.path().filename().string().starts_with("defaults.plist.corrupt-")) found.push_back(entry.path());
    }
    return found;
  }
};

TEST_F(UserDefaultsTest, TypedValuesRoundTripThroughTheFile) {
  EXPECT_EQ(defaults.filePath(), home / "co.example.test" / "defaults.plist");
  defaults.set("flag", true);
  defaults.set("count", std::int64_t{-3});
  defaults.set("big", std::int64_t{1} << 40);
  defaults.set("name", "Ünïcode & <xml>");
  defaults.set("when", Date{1800000000});

  UserDefaults again("co.example.test");
  EXPECT_EQ(again.boolean("flag"), true);
  EXPECT_EQ(again.integer("count"), -3);
  EXPECT_EQ(again.integer("big"), std::int64_t{1} << 40);
  EXPECT_EQ(again.string("name"), "Ünïcode & <xml>");
  EXPECT_EQ(again.date("when"), Date{1800000000});
}

TEST_F(UserDefaultsTest, AbsentKeysAndOtherTypesReadAsNothing) {
  EXPECT_FALSE(defaults.boolean("flag"));
  EXPECT_FALSE(fs::exists(defaults.filePath())) << "reading must not create the file";
  defaults.set("flag", "yes");
  EXPECT_FALSE(defaults.boolean("flag"));
  EXPECT_FALSE(defaults.integer("flag"));
  EXPECT_FALSE(defaults.date("flag"));
  EXPECT_EQ(defaults.string("flag"), "yes");
  defaults.remove("flag");
  EXPECT_FALSE(defaults.object("flag"));
}

TEST_F(UserDefaultsTest, EveryReadSeesTheFileAsItIsNow) {
  defaults.set("a", 1);
  testing_support::writeFile(defaults.filePath(),
                             platform::plist::toXML(Dictionary{{"a", std::int64_t{2}}, {"b", true}}));
  EXPECT_EQ(defaults.integer("a"), 2);
  EXPECT_EQ(defaults.boolean("b"), true);
}

TEST_F(UserDefaultsTest, DomainsAreSeparateFiles) {
  UserDefaults other("co.example.other");
  defaults.set("k", "mine");
  other.set("k", "theirs");
  EXPECT_EQ(defaults.string("k"), "mine");
  EXPECT_EQ(other.string("k"), "theirs");
}

TEST_F(UserDefaultsTest, CorruptFileReadsEmptyAndIsKeptAsideBeforeTheNextWrite) {
  const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>lost";
  testing_support::writeFile(defaults.filePath(), garbage);
  EXPECT_TRUE(defaults.dictionary().empty());
  EXPECT_EQ(testing_support::readFile(defaults.filePath()), garbage) << "a read must not touch the file";

  defaults.set("fresh", true);
  EXPECT_EQ(defaults.boolean("fresh"), true);
  auto copies = corruptCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(testing_support::readFile(copies[0]), garbage);

  // A second bad file in the same second gets a name of its own.
  testing_support::writeFile(defaults.filePath(), "also bad");
  defaults.set("fresh", false);
  EXPECT_EQ(corruptCopies().size(), 2u);
}

TEST_F(UserDefaultsTest, PropertyListThatIsNotADictionaryCountsAsCorrupt) {
  testing_support::writeFile(defaults.filePath(), platform::plist::toXML(platform::plist::Array{1, 2}));
  EXPECT_FALSE(defaults.integer("0"));
  defaults.set("k", 1);
  EXPECT_EQ(corruptCopies().size(), 1u);
  EXPECT_EQ(defaults.dictionary().size(), 1u);
}

TEST_F(UserDefaultsTest, FailedWriteLeavesTheFileAsItWas) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  defaults.set("kept", 1);
  fs::permissions(defaults.filePath().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(defaults.set("new", 2), std::system_error);
  fs::permissions(defaults.filePath().parent_path(), fs::perms::owner_all);
  EXPECT_EQ(defaults.integer("kept"), 1);
  EXPECT_FALSE(defaults.integer("new"));
}

TEST_F(UserDefaultsTest, UnwritableConfigHomeThrowsWithThePath) {
  testing_support::writeFile(home / "co.example.blocked", "a file where the folder should be");
  try {
    UserDefaults("co.example.blocked").set("k", 1);
    FAIL() << "expected a system_error";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find("co.example.blocked"), std::string::npos) << e.what();
  }
}

TEST(UserDefaultsDomain, NamesThatCannotBeAFolderAreRejected) {
  for (const char* bad : {"", ".", "..", "a/b", "../escape"}) {
    EXPECT_THROW(UserDefaults{bad}, std::invalid_argument) << bad;
    EXPECT_FALSE(UserDefaults::openSuite(bad)) << bad;
  }
  EXPECT_EQ(UserDefaults::openSuite("group.X.co.corvan.shared")->domain(), "group.X.co.corvan.shared");
}

TEST(UserDefaultsDomain, ConfigHomeFallsBackToDotConfigInHome) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(UserDefaults("d").filePath(), "/home/someone/.config/d/defaults.plist");
  }
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
  EXPECT_EQ(UserDefaults::configHome(), "/home/someone/.config");
}

TEST(UserDefaultsDomain, StandardDomainIsTheMainBundleIdentifier) {
  TempDir dir;
  testing_support::writeFile(dir / "X.app/Contents/Info.plist",
                             platform::plist::toXML(Dictionary{{"CFBundleIdentifier", "co.corvan.nimbrel"}}));
  {
    ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "X.app").string());
    EXPECT_EQ(UserDefaults::standard().domain(), "co.corvan.nimbrel");
  }
  // Outside a bundle the program's own name keeps its settings apart.
  ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "Missing.app").string());
  EXPECT_EQ(UserDefaults::standard().domain(), "platform_tests");
}

// Other processes, through the defaults_writer program.
class UserDefaultsProcessesTest : public UserDefaultsTest {
 protected:
  std::vector<std::string> writer(std::vector<std::string> args) const {
    args.insert(args.begin(), {DEFAULTS_WRITER, defaults.domain()});
    return args;
  }
};

TEST_F(UserDefaultsProcessesTest, EachSideSeesTheOthersWritesAtOnce) {
  defaults.set("fromParent", "p");
  ChildProcess child(writer({"set", "fromChild", "c"}));
  ASSERT_EQ(child.wait(), 0);
  EXPECT_EQ(defaults.string("fromChild"), "c");

  ChildProcess reader(writer({"get", "fromParent"}));
  ASSERT_EQ(reader.wait(), 0);
  EXPECT_EQ(reader.output(), "p");
}

TEST_F(UserDefaultsProcessesTest, ConcurrentWritersOfDifferentKeysLoseNothing) {
  constexpr int kWriters = 4, kKeys = 25;
  std::vector<std::unique_ptr<ChildProcess>> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(std::make_unique<ChildProcess>(writer({"many", "w" + std::to_string(w) + "-", std::to_string(kKeys)})));
  }
  for (int i = 0; i < kKeys; ++i) defaults.set("parent-" + std::to_string(i), i);
  for (auto& child : children) ASSERT_EQ(child->wait(), 0);

  auto dict = defaults.dictionary();
  EXPECT_EQ(dict.size(), static_cast<size_t>((kWriters + 1) * kKeys));
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(defaults.integer("w" + std::to_string(w) + "-" + std::to_string(kKeys - 1)), kKeys - 1);
  }
  for (const auto& entry : fs::directory_iterator(defaults.filePath().parent_path())) {
    auto name = entry.path().filename().string();
    EXPECT_TRUE(name == "defaults.plist" || name == "defaults.plist.lock") << "left behind: " << name;
  }
}

}  // namespace
