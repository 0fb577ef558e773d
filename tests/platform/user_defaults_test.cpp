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
using testing_support::writeFile;

class UserDefaultsTest : public ::testing::Test {
 protected:
  testing_support::TempDir home;
  testing_support::ScopedEnv xdg{"XDG_CONFIG_HOME", home.path().string()};
  UserDefaults defaults{"co.example.test"};

  std::vector<std::string> filesBeside() const { return testing_support::tree(defaults.filePath().parent_path()); }
};

// Round trips through other processes are the settings' and mailing list's tests.
TEST_F(UserDefaultsTest, ReadingCreatesNothingAndOtherTypesReadAsNothing) {
  EXPECT_FALSE(defaults.boolean("flag"));
  EXPECT_FALSE(fs::exists(defaults.filePath()));
  defaults.set("flag", true);
  EXPECT_EQ(defaults.filePath(), home / "co.example.test/defaults.plist");
  EXPECT_FALSE(defaults.integer("flag") || defaults.string("flag") || defaults.date("flag"));
}

// A file that cannot be read as settings reads as empty without being
// touched, never stalls, and is kept aside at the next write. (Nesting 200000
// deep: the command line's hostile-input rows.)
TEST_F(UserDefaultsTest, UnreadableFileReadsEmptyAndIsKeptAsideAtTheNextWrite) {
  const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>lost", pipe = "(a named pipe)";
  fs::create_directories(defaults.filePath().parent_path());
  std::size_t kept = 0;
  for (const std::string& form : {garbage, platform::plist::toXML(platform::plist::Array{1, 2}), pipe}) {
    fs::remove(defaults.filePath());
    form == pipe ? (void)::mkfifo(defaults.filePath().c_str(), 0600) : writeFile(defaults.filePath(), form);
    EXPECT_EQ(testing_support::runChild([&] {
                ::alarm(20);
                const bool empty = defaults.dictionary().empty();
                const bool untouched = form == pipe || testing_support::readFile(defaults.filePath()) == form;
                defaults.set("fresh", true);
                return empty && untouched && defaults.dictionary().size() == 1;
              }),
              0)
        << form.substr(0, 50);
    EXPECT_TRUE(fs::is_regular_file(defaults.filePath()));
    EXPECT_EQ(filesBeside().size(), 2 + ++kept);  // the file, its lock and each copy; no temporary left behind
  }
  const auto names = filesBeside();
  ASSERT_TRUE(names[1].starts_with("defaults.plist.corrupt-")) << names[1];
  EXPECT_EQ(testing_support::readFile(defaults.filePath().parent_path() / names[1]), garbage);
}

TEST_F(UserDefaultsTest, ProcessesSeeEachOthersWritesAndConcurrentWritersLoseNothing) {
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
  EXPECT_EQ(defaults.dictionary().size(), static_cast<size_t>((kWriters + 1) * kKeys));
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
