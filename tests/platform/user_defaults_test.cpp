#include "platform/user_defaults.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "tests/support/fork_child.hpp"
#include "tests/support/scoped_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using platform::UserDefaults;
using platform::plist::Date;
using testing_support::writeFile;

class UserDefaultsTest : public ::testing::Test {
 protected:
  testing_support::TempDir home;
  testing_support::ScopedEnv xdg{"XDG_CONFIG_HOME", home.path().string()};
  UserDefaults defaults{"co.example.test"};

  std::vector<std::string> filesBeside() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(defaults.filePath().parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(UserDefaultsTest, TypedValuesRoundTripAndOtherTypesReadAsNothing) {
  EXPECT_FALSE(defaults.boolean("flag"));
  EXPECT_FALSE(fs::exists(defaults.filePath())) << "reading must not create the file";
  defaults.set("flag", true);
  defaults.set("count", std::int64_t{-3});
  defaults.set("name", "Ünïcode & <xml>");
  defaults.set("when", Date{1800000000});

  UserDefaults again("co.example.test");
  EXPECT_EQ(again.filePath(), home / "co.example.test" / "defaults.plist");
  EXPECT_EQ(again.boolean("flag"), true);
  EXPECT_EQ(again.integer("count"), -3);
  EXPECT_EQ(again.string("name"), "Ünïcode & <xml>");
  EXPECT_EQ(again.date("when"), Date{1800000000});
  EXPECT_FALSE(again.integer("flag"));
  EXPECT_FALSE(again.string("when"));
  again.remove("flag");
  EXPECT_FALSE(defaults.object("flag"));
}

TEST_F(UserDefaultsTest, UnreadableFileReadsEmptyAndIsKeptAsideBeforeTheNextWrite) {
  const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>lost";
  writeFile(defaults.filePath(), garbage);
  EXPECT_TRUE(defaults.dictionary().empty());
  EXPECT_EQ(testing_support::readFile(defaults.filePath()), garbage) << "a read must not touch the file";

  defaults.set("fresh", true);
  EXPECT_EQ(defaults.boolean("fresh"), true);
  auto names = filesBeside();
  ASSERT_EQ(names.size(), 3u);  // the file, its lock and the copy; no temporary left behind
  ASSERT_TRUE(names[1].starts_with("defaults.plist.corrupt-"));
  EXPECT_EQ(testing_support::readFile(defaults.filePath().parent_path() / names[1]), garbage);

  // A property list that is not a dictionary is no better; a second copy in
  // the same second gets a name of its own.
  writeFile(defaults.filePath(), platform::plist::toXML(platform::plist::Array{1, 2}));
  EXPECT_FALSE(defaults.boolean("fresh"));
  defaults.set("fresh", false);
  EXPECT_EQ(filesBeside().size(), 4u);
}

// A pipe or a file nested beyond what the reader takes is unreadable like
// garbage: never a stall or a crash, and kept aside at the next write.
TEST_F(UserDefaultsTest, PipeOrDeeplyNestedFileReadsEmptyAndIsKeptAside) {
  fs::create_directories(defaults.filePath().parent_path());
  ASSERT_EQ(::mkfifo(defaults.filePath().c_str(), 0600), 0);
  EXPECT_EQ(testing_support::runChild([&] {
              ::alarm(20);
              defaults.set("after", true);
              return defaults.boolean("after") == true;
            }),
            0);
  EXPECT_TRUE(fs::is_regular_file(defaults.filePath()));
  EXPECT_EQ(filesBeside().size(), 3u);

  std::string deep = "<plist><dict><key>k</key>";
  for (int i = 0; i < 200000; ++i) deep += "<array>";
  writeFile(defaults.filePath(), deep);
  EXPECT_EQ(testing_support::runChild([&] {
              defaults.set("again", true);
              return defaults.dictionary().size() == 1;
            }),
            0);
  EXPECT_EQ(filesBeside().size(), 4u);
}

TEST_F(UserDefaultsTest, ProcessesSeeEachOthersWritesAndConcurrentWritersLoseNothing) {
  defaults.set("fromParent", "p");
  EXPECT_EQ(testing_support::runChild([&] { return defaults.string("fromParent") == "p"; }), 0);

  constexpr int kWriters = 4, kKeys = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(testing_support::startChild([&, w] {
      for (int i = 0; i < kKeys; ++i) defaults.set("w" + std::to_string(w) + "-" + std::to_string(i), i);
      return true;
    }));
  }
  for (int i = 0; i < kKeys; ++i) defaults.set("parent-" + std::to_string(i), i);
  for (pid_t child : children) ASSERT_EQ(testing_support::waitChild(child), 0);
  EXPECT_EQ(defaults.dictionary().size(), static_cast<size_t>((kWriters + 1) * kKeys + 1));
  EXPECT_EQ(defaults.integer("w3-24"), 24);
}

TEST(UserDefaultsDomain, NamesLocationAndTheStandardDomain) {
  for (const char* bad : {"", ".", "..", "a/b"}) {
    EXPECT_THROW(UserDefaults{bad}, std::invalid_argument) << bad;
    EXPECT_FALSE(UserDefaults::openSuite(bad)) << bad;
  }
  testing_support::ScopedEnv home("HOME", "/home/someone");
  testing_support::ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");  // invalid, so ignored
  EXPECT_EQ(UserDefaults("d").filePath(), "/home/someone/.config/d/defaults.plist");

  testing_support::TempDir dir;
  writeFile(dir / "X.app/Contents/Info.plist",
            platform::plist::toXML(platform::plist::Dictionary{{"CFBundleIdentifier", "co.corvan.nimbrel"}}));
  {
    testing_support::ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "X.app").string());
    EXPECT_EQ(UserDefaults::standard().domain(), "co.corvan.nimbrel");
  }
  // Outside a bundle, the program's own name keeps its settings apart.
  testing_support::ScopedEnv bundle("NIMBREL_MAIN_BUNDLE", (dir / "Missing.app").string());
  EXPECT_EQ(UserDefaults::standard().domain(), "platform_tests");
}

}  // namespace
