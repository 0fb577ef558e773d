#include "platform/plist.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"

namespace plist = platform::plist;

namespace {

plist::Dictionary sample() {
  return plist::Dictionary{
      {"bool", true},
      {"int", std::int64_t{42}},
      {"real", 2.5},
      {"string", "Caf\u00e9 & <tags>"},
      {"date", plist::Date{1700000000}},
      {"data", plist::Data{0, 1, 2, 255}},
      {"array", plist::Array{"a", std::int64_t{1}, false}},
      {"dict", plist::Dictionary{{"nested", "yes"}}},
  };
}

TEST(Plist, XmlRoundTripKeepsEveryTypeAndLookupIsStrict) {
  std::string xml = plist::toXML(sample());
  EXPECT_THAT(xml, testing::HasSubstr("<!DOCTYPE plist"));
  auto back = plist::parse(xml);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, plist::Value(sample()));

  auto dict = sample();  // lookups are strict about types
  EXPECT_EQ(plist::lookup<std::string>(dict, "string"), "Caf\u00e9 & <tags>");
  EXPECT_FALSE(plist::lookup<bool>(dict, "string"));
  EXPECT_FALSE(plist::lookup<std::string>(dict, "missing"));
}

TEST(Plist, ReadsBinaryPropertyLists) {
  // bplist00 with root dictionary {"a": true}, made by the original platform's writer.
  const std::string binary("bplist00\xd1\x01\x02\x51\x61\x09\x08\x0b\x0d\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03"
                           "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x0e", 49);
  auto value = plist::parse(std::span(reinterpret_cast<const std::uint8_t*>(binary.data()), binary.size()));
  ASSERT_TRUE(value);
  auto* dict = value->get<plist::Dictionary>();
  ASSERT_TRUE(dict);
  EXPECT_EQ(plist::lookup<bool>(*dict, "a"), true);
}

TEST(Plist, ReadFileGivesWhatToXmlWroteAndNothingForGarbage) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "x.plist", plist::toXML(plist::Dictionary{{"k", "v"}}));
  EXPECT_EQ(plist::readFile(dir / "x.plist"), plist::Value(plist::Dictionary{{"k", "v"}}));
  EXPECT_FALSE(plist::parse(std::string_view("not a plist")));
  EXPECT_FALSE(plist::parse(std::string_view("<?xml version=\"1.0\"?><plist><dict><key>a</key>")));
  EXPECT_FALSE(plist::parse(std::string_view("")));
  EXPECT_FALSE(plist::readFile("/nonexistent/file.plist"));
}

}  // namespace
