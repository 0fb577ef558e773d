// Naming, placing and writing saved files; serving the bundled site.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/downloads.hpp"
#include "runtime/export_bridge.hpp"
#include "runtime/local_site.hpp"
#include "platform/gobject_ptr.hpp"
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
}

TEST_F(UniqueURL, FoldersAndDanglingLinksCountAsTaken) {
  fs::create_directories(dir / "data.csv");
  EXPECT_EQ(runlet::uniqueURL(dir / "data.csv"), dir / "data (1).csv");
  fs::create_symlink(dir / "nowhere", dir / "link.txt");
  EXPECT_EQ(runlet::uniqueURL(dir / "link.txt"), dir / "link (1).txt");
}

TEST(SafeFileName, LastComponentNeverHiddenAndShortEnough) {
  const std::string cafe = "caf\u00e9";  // "é" takes two bytes
  const std::string longBase(300, 'x');
  struct Row {
    std::string name, saved;
  } rows[] = {
      {"../../secret.txt", "secret.txt"}, {"a/b/", "download"},    {"..", "download"},
      {".", "download"},                  {"", "download"},        {"report.csv", "report.csv"},
      {".bash_profile", "bash_profile"},  {"../..xsessionrc", "xsessionrc"}, {"...", "download"},
      {longBase + ".tar.gz", std::string(runlet::kMaxSavedNameBytes - 3, 'x') + ".gz"},
      // Cut before a character that no longer fits whole.
      {std::string(runlet::kMaxSavedNameBytes - 5, 'x') + "\u00e9\u00e9.pdf",
       std::string(runlet::kMaxSavedNameBytes - 5, 'x') + ".pdf"},
      {std::string(runlet::kMaxSavedNameBytes - 8, 'x') + cafe + ".pdf",
       std::string(runlet::kMaxSavedNameBytes - 8, 'x') + "caf.pdf"},
      // An "extension" that long is part of the name.
      {"a." + longBase, ("a." + longBase).substr(0, runlet::kMaxSavedNameBytes)},
  };
  for (const auto& row : rows) EXPECT_EQ(runlet::safeFileName(row.name), row.saved) << row.name;
}

TEST_F(UniqueURL, CountersFitInLongNames) {
  std::string name = runlet::safeFileName(std::string(300, 'y') + ".txt");
  EXPECT_EQ(take(name), name);
  fs::path second = take(name);
  EXPECT_EQ(second, std::string(runlet::kMaxSavedNameBytes - 8, 'y') + " (1).txt");
}

TEST(DownloadsFolder, NeverTheHomeFolder) {
  const fs::path home = "/home/ada";
  EXPECT_EQ(runlet::chooseDownloadsFolder(fs::path("/home/ada/Fetched"), home), "/home/ada/Fetched");
  for (auto configured : {std::optional<fs::path>(), std::optional<fs::path>(""), std::optional<fs::path>("/home/ada"),
                          std::optional<fs::path>("/home/ada/"), std::optional<fs::path>("/home/./ada")}) {
    EXPECT_EQ(runlet::chooseDownloadsFolder(configured, home), "/home/ada/Downloads") << configured.value_or("none");
  }
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

runlet::ExportMessageBody body(bool isDictionary, std::optional<std::string> name,
                               std::optional<std::string_view> data) {
  runlet::ExportMessageBody b;
  b.isDictionary = isDictionary;
  b.name = std::move(name);
  b.data = data;
  return b;
}

runlet::ExportMessageBody part(const char* transfer, std::optional<std::int64_t> index, std::optional<bool> last,
                               std::string_view data) {
  auto b = body(true, "parts.bin", data);
  b.hasTransfer = true;
  if (transfer) b.transfer = transfer;
  b.part = index;
  b.last = last;
  return b;
}

TEST(ExportMessage, IgnoreRules) {
  auto request = runlet::exportRequestFromMessage("nblExport", body(true, "../x/report.csv", "data:text/csv;base64,YSxi"));
  ASSERT_TRUE(request);
  EXPECT_EQ(request->name, "report.csv");
  EXPECT_EQ(request->payload, "YSxi");
  EXPECT_FALSE(request->part);
  // Everything after the first comma is the payload, whatever came before.
  request = runlet::exportRequestFromMessage("nblExport", body(true, std::nullopt, "whatever,Y,Sxi"));
  ASSERT_TRUE(request);
  EXPECT_EQ(request->name, "download");
  EXPECT_EQ(request->payload, "Y,Sxi");

  EXPECT_FALSE(runlet::exportRequestFromMessage("other", body(true, "a", "data:;base64,YSxi")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", body(false, "a", "data:;base64,YSxi")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", body(true, "a", std::nullopt)));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", body(true, "a", "data:text/plain;base64YSxi")));
  // Part fields that do not fit together.
  EXPECT_TRUE(runlet::exportRequestFromMessage("nblExport", part("t", 0, false, "data:,")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", part(nullptr, 0, false, "data:,")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", part("t", std::nullopt, false, "data:,")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", part("t", -1, false, "data:,")));
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", part("t", 0, std::nullopt, "data:,")));
}

class AssembleExport : public ::testing::Test {
 protected:
  TempDir dir;
  runlet::ExportAssembler assembler;
  runlet::SaveOutcome::Kind add(const char* transfer, std::int64_t index, bool last, std::string_view data) {
    return assembler.add(dir.path(), *runlet::exportRequestFromMessage("nblExport", part(transfer, index, last, data))).kind;
  }
  size_t entries() const { return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()); }
  using Kind = runlet::SaveOutcome::Kind;
};

TEST_F(AssembleExport, PartsInOrderMakeOneFileAndInterleavedTransfersStayApart) {
  EXPECT_EQ(add("a", 0, false, "data:;base64,YWJj"), Kind::pending);
  EXPECT_EQ(add("b", 0, false, "data:;base64,eHl6"), Kind::pending);
  EXPECT_EQ(add("a", 1, false, "data:;base64,ZGVm"), Kind::pending);
  EXPECT_EQ(add("a", 2, true, "data:;base64,Zw=="), Kind::saved);
  EXPECT_EQ(add("b", 1, true, "data:;base64,MQ=="), Kind::saved);
  EXPECT_EQ(testing_support::readFile(dir / "parts.bin"), "abcdefg");
  EXPECT_EQ(testing_support::readFile(dir / "parts (1).bin"), "xyz1");
  EXPECT_EQ(assembler.openTransfers(), 0u);
  EXPECT_EQ(entries(), 2u);
}

TEST_F(AssembleExport, AGapOrBadPartDropsTheTransferWithoutATrace) {
  EXPECT_EQ(add("a", 0, false, "data:;base64,YWJj"), Kind::pending);
  EXPECT_EQ(add("a", 2, true, "data:;base64,YWJj"), Kind::undecodable);
  EXPECT_EQ(add("a", 1, true, "data:;base64,YWJj"), Kind::undecodable) << "the transfer is gone";
  EXPECT_EQ(add("b", 0, false, "data:;base64,YWJj"), Kind::pending);
  EXPECT_EQ(add("b", 1, true, "data:;base64,@@@"), Kind::saved) << "skipped characters are not an error";
  EXPECT_EQ(add("c", 0, false, "data:;base64,YQ=="), Kind::pending);
  EXPECT_EQ(add("c", 1, true, "data:;base64,YQ=="), Kind::undecodable) << "padding inside the file";
  EXPECT_EQ(assembler.openTransfers(), 0u);
  EXPECT_EQ(entries(), 1u) << "no temporary files left";
}

class SaveExport : public ::testing::Test {
 protected:
  TempDir dir;
  runlet::SaveOutcome save(const fs::path& folder, std::string name, std::string_view payload) {
    return runlet::saveExport(folder, {std::move(name), payload, std::nullopt});
  }
  size_t entries() const { return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()); }
};

TEST_F(SaveExport, WritesWholeFilesUnderFreeNamesAndNothingElse) {
  auto first = save(dir.path(), "data.csv", "MQ==");
  auto second = save(dir.path(), "data.csv", "Mg");
  ASSERT_EQ(first.kind, runlet::SaveOutcome::Kind::saved);
  ASSERT_EQ(second.kind, runlet::SaveOutcome::Kind::saved);
  EXPECT_EQ(first.path, dir / "data.csv");
  EXPECT_EQ(second.path, dir / "data (1).csv");
  EXPECT_EQ(testing_support::readFile(first.path), "1");
  EXPECT_EQ(testing_support::readFile(second.path), "2");
  EXPECT_EQ(entries(), 2u) << "no temporary left";
}

TEST_F(SaveExport, DecodesAcrossPiecesAndLeavesNothingForBadBase64) {
  std::string bytes(3 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  platform::GCharPtr encoded(g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  std::string payload(encoded.get());
  payload.insert(1 << 20, "\n");  // a line break across a piece boundary is skipped
  auto saved = save(dir.path(), "big.bin", payload);
  ASSERT_EQ(saved.kind, runlet::SaveOutcome::Kind::saved);
  EXPECT_EQ(testing_support::readFile(saved.path), bytes);

  EXPECT_EQ(save(dir.path(), "bad.bin", payload + "A").kind, runlet::SaveOutcome::Kind::undecodable);
  EXPECT_EQ(save(dir.path(), "bad.bin", "QQ==QQ==").kind, runlet::SaveOutcome::Kind::undecodable);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(SaveExport, FailsWithoutLeavingAnythingWhenTheFolderIsNotWritable) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::create_directories(dir / "ro");
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(save(dir / "ro", "a.txt", "eA==").kind, runlet::SaveOutcome::Kind::failed);
  fs::permissions(dir / "ro", fs::perms::owner_all);
}

TEST_F(SaveExport, MissingFolderFails) {
  EXPECT_EQ(save(dir / "none", "a", "eA==").kind, runlet::SaveOutcome::Kind::failed);
}

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

TEST(SiteMIMEType, WebTypesOnTopOfTheSharedDatabase) {
  const std::pair<const char*, const char*> rows[] = {
      {"m.wasm", "application/wasm"},     {"app.mjs", "text/javascript"},   {"d.json", "application/json"},
      {"i.svg", "image/svg+xml"},         {"p.WEBP", "image/webp"},         {"f.woff2", "font/woff2"},
      {"site.webmanifest", "application/manifest+json"}, {"index.html", "text/html"}, {"s.css", "text/css"},
      {"no-extension", "application/octet-stream"},
  };
  for (auto [name, type] : rows) EXPECT_EQ(runlet::siteMIMEType(name), type) << name;
}

}  // namespace
