#include "runtime/app_config.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/site_loading.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace plist = platform::plist;
using runlet::AppConfig;
using testing_support::TempDir;

void expectDefaults(const AppConfig& c) {
  EXPECT_EQ(c.name, "App");
  EXPECT_EQ(c.type, "url");
  EXPECT_EQ(c.url, "");
  EXPECT_EQ(c.indexFile, "index.html");
  EXPECT_FALSE(c.fullContent);
}

TEST(AppConfigKeys, AllKeysAsWritten) {
  auto c = AppConfig::from({{"name", "Mail"}, {"type", "local"}, {"url", "x"}, {"indexFile", "docs/start.html"},
                            {"fullcontent", true}, {"extra", 5}});
  EXPECT_EQ(c.name, "Mail");
  EXPECT_TRUE(c.isLocal());
  EXPECT_EQ(c.url, "x");
  EXPECT_EQ(c.indexFile, "docs/start.html");
  EXPECT_TRUE(c.fullContent);
}

TEST(AppConfigKeys, WrongTypesTakeDefaultsIndependently) {
  auto c = AppConfig::from({{"name", 3}, {"type", true}, {"url", "https://a.example"}, {"indexFile", plist::Array{}},
                            {"fullcontent", "true"}});
  EXPECT_EQ(c.name, "App");
  EXPECT_EQ(c.type, "url");
  EXPECT_EQ(c.url, "https://a.example");
  EXPECT_EQ(c.indexFile, "index.html");
  EXPECT_FALSE(c.fullContent) << "a string \"true\" is not a boolean";
}

TEST(AppConfigKeys, NamesAndTheLocalTypeAreCaseSensitive) {
  expectDefaults(AppConfig::from({{"Name", "X"}, {"indexfile", "a.html"}, {"fullContent", true}}));
  EXPECT_FALSE(AppConfig::from({{"type", "Local"}}).isLocal());
  EXPECT_FALSE(AppConfig::from({{"type", "local "}}).isLocal());
}

class ReadAppConfig : public ::testing::Test {
 protected:
  TempDir dir;
  platform::Bundle bundle{dir / "A.app"};
  std::filesystem::path record() const { return bundle.resourcesPath() / "app.plist"; }
};

TEST_F(ReadAppConfig, ReadsXMLAndBinaryRecords) {
  testing_support::writeFile(record(), plist::toXML(plist::Dictionary{{"name", "Xml"}}));
  EXPECT_EQ(runlet::readAppConfig(bundle).name, "Xml");
  // A binary property list ("bplist00") as other writers produce it.
  const unsigned char binary[] = {0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd1, 0x01, 0x02, 0x54, 0x6e,
                                  0x61, 0x6d, 0x65, 0x53, 0x42, 0x69, 0x6e, 0x08, 0x0b, 0x10, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x14};
  testing_support::writeFile(record(), std::string_view(reinterpret_cast<const char*>(binary), sizeof binary));
  EXPECT_EQ(runlet::readAppConfig(bundle).name, "Bin");
}

TEST_F(ReadAppConfig, AnythingButADictionaryGivesDefaults) {
  expectDefaults(runlet::readAppConfig(bundle));  // missing
  expectDefaults(runlet::readAppConfig(std::nullopt));
  for (std::string_view text : {std::string_view("not a plist"), std::string_view(""),
                                std::string_view("<plist><array><string>a</string></array></plist>"),
                                std::string_view("<plist><dict><key>name</key><string>X</string>")}) {
    testing_support::writeFile(record(), text);
    expectDefaults(runlet::readAppConfig(bundle));
  }
}

// Found by fuzzing: the property-list library aborted on these.
TEST(ReadAppConfigData, BinaryRecordWithNulInAKeyOrStringGivesDefaultsInsteadOfAborting) {
  const std::string nulInKey(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x55\x6e\x61\x00\x6d\x65\x51\x78\x08\x0b\x11\x00\x00\x00"
      "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x13",
      54);
  const std::string nulInValue(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x54\x6e\x61\x6d\x65\x53\x61\x00\x62\x08\x0b\x10\x00\x00"
      "\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x14",
      55);
  expectDefaults(runlet::readAppConfigData(nulInKey));
  expectDefaults(runlet::readAppConfigData(nulInValue));
}

TEST_F(ReadAppConfig, FolderOrFifoInPlaceOfTheRecordGivesDefaultsWithoutBlocking) {
  std::filesystem::create_directories(record());
  expectDefaults(runlet::readAppConfig(bundle));
  std::filesystem::remove(record());
  ASSERT_EQ(::mkfifo(record().c_str(), 0600), 0);
  expectDefaults(runlet::readAppConfig(bundle));
}

TEST(NormalizedURL, IsTheTypedAddressRule) {
  // The rule itself is pinned in the URL tests; Runlet must use it.
  EXPECT_EQ(runlet::normalizedURL("\u3000example.org/page.html\u0085")->string(), "https://example.org/page.html");
  EXPECT_EQ(runlet::normalizedURL("mailto:someone@example.org")->string(), "mailto:someone@example.org");
}

TEST(UserAgent, ExactFormWithUnderscoredVersionAndPatch) {
  EXPECT_EQ(runlet::desktopSafariUserAgent({14, 5, 0}),
            "Mozilla/5.0 (Macintosh; Intel Mac OS X 14_5_0) AppleWebKit/605.1.15 (KHTML, like Gecko) "
            "Version/17.0 Safari/605.1.15");
  EXPECT_NE(runlet::desktopSafariUserAgent({13, 0, 1}).find("X 13_0_1) "), std::string::npos);
  auto reported = runlet::desktopSafariUserAgent();
  EXPECT_NE(reported.find("Intel Mac OS X 10_15_7) "), std::string::npos);
  EXPECT_EQ(reported.find("Linux"), std::string::npos);
}

TEST(ErrorPage, MessageEscapedAmpersandFirstThenLessThan) {
  std::string page = runlet::errorPageHTML("a<b & c>d \"q\" 'x' &lt;");
  EXPECT_NE(page.find("<h1>Can't load this page</h1><p>a&lt;b &amp; c>d \"q\" 'x' &amp;lt;</p>\n</div></body></html>"),
            std::string::npos);
}

class PlanLoad : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path resources = dir / "Resources";
};

TEST_F(PlanLoad, RemoteAddressNormalisedOrNoValidAddress) {
  auto plan = runlet::planRemoteLoad(" example.org/x ");
  EXPECT_EQ(plan.kind, runlet::LoadPlan::Kind::remote);
  EXPECT_EQ(plan.uri, "https://example.org/x");
  for (const char* url : {"", "   \n", "exa mple"}) {
    plan = runlet::planRemoteLoad(url);
    EXPECT_EQ(plan.kind, runlet::LoadPlan::Kind::error);
    EXPECT_EQ(plan.errorMessage, "This app has no valid web address configured.");
  }
}

TEST_F(PlanLoad, LocalStartPageBelowSiteIgnoringTheAddress) {
  testing_support::writeFile(resources / "Site/docs/start page.html", "x");
  auto plan = runlet::planLocalSiteLoad(AppConfig::from({{"type", "local"}, {"url", "https://example.org"},
                                                         {"indexFile", "docs/start page.html"}}),
                                        resources);
  EXPECT_EQ(plan.kind, runlet::LoadPlan::Kind::local);
  EXPECT_EQ(plan.uri, "runlet://site/docs/start%20page.html");
  EXPECT_EQ(plan.siteRoot, resources / "Site");
}

TEST_F(PlanLoad, MissingStartPageOrResources) {
  testing_support::writeFile(resources / "app.plist", "x");
  auto local = [](const char* index) { return AppConfig::from({{"type", "local"}, {"indexFile", index}}); };
  EXPECT_EQ(runlet::planLocalSiteLoad(local("home.html"), resources).errorMessage, "The bundled website is missing home.html.");
  EXPECT_EQ(runlet::planLocalSiteLoad(AppConfig::from({{"type", "local"}}), resources).errorMessage,
            "The bundled website is missing index.html.");
  // A start page outside the site could never be served.
  EXPECT_EQ(runlet::planLocalSiteLoad(local("../app.plist"), resources).kind, runlet::LoadPlan::Kind::error);
  EXPECT_EQ(runlet::planLocalSiteLoad(local("index.html"), std::nullopt).errorMessage, "Could not locate the bundled website.");
}

}  // namespace
