#include "platform/plist.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/plist_limits.hpp"
#include "tests/support/fork_child.hpp"
#include "tests/support/temp_dir.hpp"

namespace plist = platform::plist;

namespace {

TEST(Plist, EveryTypeSurvivesAnXmlFileAndBinaryListsAreRead) {
  const plist::Dictionary sample{{"bool", true}, {"int", std::int64_t{42}}, {"real", 2.5},
                                 {"string", "Caf\u00e9 & <tags>"}, {"date", plist::Date{1700000000}},
                                 {"data", plist::Data{0, 1, 2, 255}},
                                 {"array", plist::Array{"a", plist::Dictionary{{"nested", false}}}}};
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "x.plist", plist::toXML(sample));
  EXPECT_THAT(testing_support::readFile(dir / "x.plist"), testing::HasSubstr("<!DOCTYPE plist"));
  EXPECT_EQ(plist::readFile(dir / "x.plist"), plist::Value(sample));

  // bplist00 with root dictionary {"a": true}, made by the original platform's writer.
  const std::string binary("bplist00\xd1\x01\x02\x51\x61\x09\x08\x0b\x0d\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03"
                           "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x0e", 49);
  EXPECT_EQ(plist::parse(binary), plist::Value(plist::Dictionary{{"a", true}}));
}

// A binary property list whose objects are all arrays, each holding the
// indices of the objects it contains (object 0 the root), and a string object
// with the given bytes when `string` is not empty.
std::string binaryArrays(const std::vector<std::vector<std::uint32_t>>& arrays, const std::string& string = {}) {
  std::string out = "bplist00", table;
  auto bigEndian = [](std::string& to, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) to += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  auto object = [&](const std::string& bytes) {
    bigEndian(table, out.size(), 4);
    out += bytes;
  };
  for (const auto& refs : arrays) {
    std::string array = "\xAF\x12";  // an array whose count follows as a 4-byte integer
    bigEndian(array, refs.size(), 4);
    for (std::uint32_t ref : refs) bigEndian(array, ref, 4);
    object(array);
  }
  if (!string.empty()) object(static_cast<char>(0x50 | string.size()) + string);
  const std::uint64_t count = table.size() / 4, tableAt = out.size();
  out += table + std::string(6, '\0') + "\x04\x04";  // offsets and references 4 bytes wide
  bigEndian(out, count, 8);
  bigEndian(out, 0, 8);
  bigEndian(out, tableAt, 8);
  return out;
}

std::string nestedXml(std::size_t depth) {
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (std::size_t i = 0; i < depth; ++i) xml += "<array>";
  for (std::size_t i = 0; i < depth; ++i) xml += "</array>";
  return xml + "</plist>";
}

// Each is refused, and refused in the reader: a crash or a stall in the
// child fails the case instead of the whole test program.
TEST(PlistLimits, HostileBytesAreRefusedWithoutCrashOrStall) {
  std::vector<std::vector<std::uint32_t>> chain(100000), cycle{{1}, {0}}, doubling(40);
  for (std::uint32_t i = 0; i + 1 < chain.size(); ++i) chain[i] = {i + 1};
  for (std::uint32_t i = 0; i + 1 < doubling.size(); ++i) doubling[i] = {i + 1, i + 1};
  const std::vector<std::pair<const char*, std::string>> cases{
      {"cut short", "<?xml version=\"1.0\"?><plist><dict><key>a</key>"},
      {"xml nested 200000 deep", nestedXml(200000)},
      {"xml one level too deep", nestedXml(plist::maxNesting + 1)},
      {"binary nested 100000 deep", binaryArrays(chain)},
      {"binary cycle", binaryArrays(cycle)},
      {"binary shared references doubling 40 times", binaryArrays(doubling)},
      {"binary string with NUL", binaryArrays({{1}}, std::string("a\0b", 3))},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(testing_support::runChild([&] {
                ::alarm(20);
                return !plist::parse(bytes);
              }),
              0)
        << name;
  }
  EXPECT_TRUE(plist::parse(nestedXml(plist::maxNesting)));
  EXPECT_TRUE(plist::parse(binaryArrays({{1, 1}, {}})));  // a shared reference as such is fine
}

// Pipes and /dev/zero: the settings' unreadable-file test and the command line's hostile-input rows.
TEST(PlistLimits, ReadFileTakesNothingOverTheCap) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "big.plist", plist::toXML(plist::Dictionary{{"k", "v"}}));
  ASSERT_EQ(::truncate((dir / "big.plist").c_str(), plist::maxFileSize + 1), 0);  // sparse: no real disk
  EXPECT_FALSE(plist::readFile(dir / "big.plist"));
}

}  // namespace
