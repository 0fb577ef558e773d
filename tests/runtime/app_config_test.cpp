#include "runtime/app_config.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
namespace plist = platform::plist;
using runlet::AppConfig;
using testing_support::TempDir;

std::string fields(const AppConfig& c) {
  return c.name + "|" + c.type + "|" + c.url + "|" + c.indexFile + "|" + (c.fullContent ? "full" : "framed") +
         (c.isLocal() ? "|local" : "");
}
const std::string kDefaults = "App|url||index.html|framed";

TEST(ReadAppConfig, XMLOrBinaryDictionariesAndDefaultsForAnythingElse) {
  TempDir dir;
  platform::Bundle bundle{dir / "A.app"};
  fs::path record = bundle.resourcesPath() / "app.plist";
  EXPECT_EQ(fields(runlet::readAppConfig(bundle)), kDefaults) << "missing";
  EXPECT_EQ(fields(runlet::readAppConfig(std::nullopt)), kDefaults);
  const fs::path seeds = fs::path(NIMBREL_SOURCE_DIR) / "tests/runtime/fuzz_seeds";
  const std::string docs = "Docs|local||docs/start.html|full|local";
  const std::pair<std::string, std::string> rows[] = {
      {testing_support::readFile(seeds / "local.plist"), docs}, {testing_support::readFile(seeds / "local.bplist"), docs},
      // Found by fuzzing: the property-list library aborted on these.
      {testing_support::readFile(seeds / "nul-in-key.bplist"), kDefaults},
      {testing_support::readFile(seeds / "nul-in-string.bplist"), kDefaults},
      {"not a plist", kDefaults}, {"<plist><array><string>a</string></array></plist>", kDefaults},
      {"<plist><dict><key>name</key><string>X</string>", kDefaults},
      // Each key on its own, by its exact name and type: a string "true" is not a boolean.
      {"<plist><dict><key>name</key><integer>3</integer><key>Type</key><string>local</string><key>url</key>"
       "<string>https://a.example</string><key>fullcontent</key><string>true</string></dict></plist>",
       "App|url|https://a.example|index.html|framed"},
  };
  for (const auto& [bytes, expected] : rows) {
    testing_support::writeFile(record, bytes);
    EXPECT_EQ(fields(runlet::readAppConfig(bundle)), expected) << bytes;
  }
  // A folder or a FIFO in its place, read without blocking.
  fs::remove(record);
  fs::create_directories(record);
  EXPECT_EQ(fields(runlet::readAppConfig(bundle)), kDefaults);
  fs::remove(record);
  ASSERT_EQ(::mkfifo(record.c_str(), 0600), 0);
  EXPECT_EQ(fields(runlet::readAppConfig(bundle)), kDefaults);
}

}  // namespace
