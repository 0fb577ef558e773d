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
  const unsigned char binary[] = {0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd1, 0x01, 0x02, 0x51, 0x61,
                                  0x09, 0x08, 0x0b, 0x0d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0e};
  auto value = plist::parse(std::span<const std::uint8_t>(binary, sizeof binary));
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
