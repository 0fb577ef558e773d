// Naming, placing and writing saved files; serving the bundled site.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/downloads.hpp"
#include "runtime/export_bridge.hpp"
#include "runtime/local_site.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::writeFile;

class UniqueURL : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path take(const fs::path& name) {
    fs::path p = runlet::uniqueURL(dir / name);
    writeFile(p, "x");
    return p.filename();
  }
};

TEST_F(UniqueURL, CountsUpBeforeTheLastExtension) {
  EXPECT_EQ(take("report.pdf"), "report.pdf");
  EXPECT_EQ(take("report.pdf"), "report (1).pdf");
  EXPECT_EQ(take("report.pdf"), "report (2).pdf");
  EXPECT_EQ(take("README"), "README");
  EXPECT_EQ(take("README"), "README (1)");
  EXPECT_EQ(take("archive.tar.gz"), "archive.tar.gz");
  EXPECT_EQ(take("archive.tar.gz"), "archive.tar (1).gz");
  EXPECT_EQ(take(".profile"), ".profile");
  EXPECT_EQ(take(".profile"), ".profile (1)");
}

TEST_F(UniqueURL, FoldersAndDanglingLinksCountAsTaken) {
  fs::create_directories(dir / "data.csv");
  EXPECT_EQ(runlet::uniqueURL(dir / "data.csv"), dir / "data (1).csv");
  fs::create_symlink(dir / "nowhere", dir / "link.txt");
  EXPECT_EQ(runlet::uniqueURL(dir / "link.txt"), dir / "link (1).txt");
}

TEST(TruncatedDownload, ShortOfTheAnnouncedLengthUnlessEncodedOrUnannounced) {
  EXPECT_TRUE(runlet::isTruncatedDownload(1000, 500, false));
  EXPECT_FALSE(runlet::isTruncatedDownload(1000, 1000, false));
  EXPECT_FALSE(runlet::isTruncatedDownload(0, 500, false));
  EXPECT_FALSE(runlet::isTruncatedDownload(1000, 500, true));
}

TEST(SafeFileName, LastComponentAndFallback) {
  EXPECT_EQ(runlet::safeFileName("../../secret.txt"), "secret.txt");
  EXPECT_EQ(runlet::safeFileName("a/b/"), "download");
  EXPECT_EQ(runlet::safeFileName(".."), "download");
  EXPECT_EQ(runlet::safeFileName("."), "download");
  EXPECT_EQ(runlet::safeFileName(""), "download");
  EXPECT_EQ(runlet::safeFileName("report.csv"), "report.csv");
}

TEST(Base64, DecodesSkippingForeignCharactersAndRejectsBrokenGroups) {
  auto text = [](const std::optional<std::vector<std::uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
  };
  EXPECT_EQ(text(runlet::decodeBase64Lenient("SGVs bG8=\n")), "Hello");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("SGVsbG8")), "Hello");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("")), "");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("QQ==")), "A");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("abc,de")), "<none>");  // five letters: one left over
  EXPECT_EQ(text(runlet::decodeBase64Lenient("QQ==QQ==")), "<none>");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("QQ=")), "<none>");
  EXPECT_EQ(text(runlet::decodeBase64Lenient("A")), "<none>");
}

TEST(ExportMessage, IgnoreRules) {
  using runlet::ExportMessageBody;
  auto file = runlet::exportFileFromMessage("nblExport", {true, "../x/report.csv", "data:text/csv;base64,YSxi"});
  ASSERT_TRUE(file);
  EXPECT_EQ(file->name, "report.csv");
  EXPECT_EQ(std::string(file->bytes.begin(), file->bytes.end()), "a,b");
  // Everything after the first comma is the payload, whatever came before.
  file = runlet::exportFileFromMessage("nblExport", {true, std::nullopt, "whatever,YSxi"});
  ASSERT_TRUE(file);
  EXPECT_EQ(file->name, "download");

  EXPECT_FALSE(runlet::exportFileFromMessage("other", {true, "a", "data:;base64,YSxi"}));
  EXPECT_FALSE(runlet::exportFileFromMessage("nblExport", {false, "a", "data:;base64,YSxi"}));
  EXPECT_FALSE(runlet::exportFileFromMessage("nblExport", {true, "a", std::nullopt}));
  EXPECT_FALSE(runlet::exportFileFromMessage("nblExport", {true, "a", "data:text/plain;base64YSxi"}));
  EXPECT_FALSE(runlet::exportFileFromMessage("nblExport", {true, "a", "data:;base64,Y"}));
}

TEST(ExportScript, NamesTheHandlerAndTheGuard) {
  auto script = runlet::exportBridgeScript("nblExport");
  EXPECT_NE(script.find("window.webkit.messageHandlers.nblExport.postMessage({"), std::string::npos);
  EXPECT_NE(script.find("__nblExportBridge"), std::string::npos);
  EXPECT_EQ(script.find("NBL_HANDLER_NAME"), std::string::npos);
}

class SaveExport : public ::testing::Test {
 protected:
  TempDir dir;
  runlet::ExportFile file(std::string name, std::string bytes) { return {std::move(name), {bytes.begin(), bytes.end()}}; }
};

TEST_F(SaveExport, WritesWholeFilesUnderFreeNamesAndNothingElse) {
  auto first = runlet::saveExport(dir.path(), file("data.csv", "1"));
  auto second = runlet::saveExport(dir.path(), file("data.csv", "2"));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(*first, dir / "data.csv");
  EXPECT_EQ(*second, dir / "data (1).csv");
  EXPECT_EQ(testing_support::readFile(*first), "1");
  EXPECT_EQ(testing_support::readFile(*second), "2");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "no temporary left";
}

TEST_F(SaveExport, FailsWithoutLeavingAnythingWhenTheFolderIsNotWritable) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::create_directories(dir / "ro");
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(runlet::saveExport(dir / "ro", file("a.txt", "x")));
  fs::permissions(dir / "ro", fs::perms::owner_all);
}

TEST_F(SaveExport, MissingFolderFails) { EXPECT_FALSE(runlet::saveExport(dir / "none", file("a", "x"))); }

class SitePaths : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path site = dir / "Site";
  void SetUp() override {
    writeFile(site / "index.html", "i");
    writeFile(site / "sub/page.html", "p");
    writeFile(dir / "secret.txt", "s");
    writeFile(dir / "Site2/other.html", "o");
    fs::create_symlink(dir / "secret.txt", site / "leak.txt");
    fs::create_symlink("sub/page.html", site / "alias.html");
  }
};

TEST_F(SitePaths, InsideTheSiteOnly) {
  auto root = fs::canonical(site);
  EXPECT_EQ(runlet::resolveSitePath(site, "/index.html"), root / "index.html");
  EXPECT_EQ(runlet::resolveSitePath(site, "sub/../sub/page.html"), root / "sub/page.html");
  EXPECT_EQ(runlet::resolveSitePath(site, "alias.html"), root / "sub/page.html");
  EXPECT_EQ(runlet::resolveSitePath(site, "/"), root);
  for (const char* outside : {"../secret.txt", "/../secret.txt", "sub/../../secret.txt", "leak.txt", "../Site2/other.html",
                              "missing.html"}) {
    EXPECT_FALSE(runlet::resolveSitePath(site, outside)) << outside;
  }
  EXPECT_FALSE(runlet::resolveSitePath(site, std::string_view("index.html\0x", 12)));
}

TEST_F(SitePaths, EncodedRequestPaths) {
  EXPECT_EQ(runlet::decodedRequestPath("/a%20b/%2E%2E/c.html"), "/a b/../c.html");
  EXPECT_FALSE(runlet::decodedRequestPath("/a%00b"));
  EXPECT_EQ(runlet::siteURL("docs/a b#c.html"), "runlet://site/docs/a%20b%23c.html");
}

}  // namespace
