// Naming, placing and writing saved files; serving the bundled site.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/gobject_ptr.hpp"
#include "runtime/downloads.hpp"
#include "runtime/export_bridge.hpp"
#include "runtime/local_site.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using runlet::kMaxSavedNameBytes;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(UniqueURL, CountsUpBeforeTheLastExtensionPastAnythingOfThatName) {
  TempDir dir;
  const std::string longName = runlet::safeFileName(std::string(300, 'y') + ".txt");
  for (const std::string& taken : {std::string("report.pdf"), std::string("report (1).pdf"), std::string("README"),
                                   std::string("archive.tar.gz"), longName}) {
    writeFile(dir / taken, "x");
  }
  fs::create_directories(dir / "data.csv");
  fs::create_symlink(dir / "nowhere", dir / "link.txt");
  const std::pair<std::string, std::string> rows[] = {
      {"free.pdf", "free.pdf"}, {"report.pdf", "report (2).pdf"}, {"README", "README (1)"},
      {"archive.tar.gz", "archive.tar (1).gz"},
      {"data.csv", "data (1).csv"},  // a folder
      {"link.txt", "link (1).txt"},  // a dangling link
      {longName, std::string(kMaxSavedNameBytes - 8, 'y') + " (1).txt"},
  };
  for (const auto& [wanted, taken] : rows) EXPECT_EQ(runlet::uniqueURL(dir / wanted).filename(), taken);
}

TEST(SafeFileName, LastComponentNeverHiddenAndShortEnough) {
  const std::string longBase(300, 'x');
  const std::pair<std::string, std::string> rows[] = {
      {"../../secret.txt", "secret.txt"}, {"a/b/", "download"}, {"..", "download"}, {"", "download"},
      {".bash_profile", "bash_profile"}, {"../..xsessionrc", "xsessionrc"},
      {"...", "download"}, {longBase + ".tar.gz", std::string(kMaxSavedNameBytes - 3, 'x') + ".gz"},
      // Cut before a character ("é" takes two bytes) that no longer fits whole.
      {std::string(kMaxSavedNameBytes - 8, 'x') + "caf\u00e9.pdf", std::string(kMaxSavedNameBytes - 8, 'x') + "caf.pdf"},
      // An "extension" that long is part of the name.
      {"a." + longBase, ("a." + longBase).substr(0, kMaxSavedNameBytes)},
  };
  for (const auto& [name, saved] : rows) EXPECT_EQ(runlet::safeFileName(name), saved) << name;
}

// GLib answers the home folder when user-dirs.dirs is missing.
TEST(DownloadsFolder, NeverTheHomeFolder) {
  const fs::path home = "/home/ada";
  EXPECT_EQ(runlet::chooseDownloadsFolder(fs::path("/home/ada/Fetched"), home), "/home/ada/Fetched");
  for (auto configured : {std::optional<fs::path>(), std::optional<fs::path>(""), std::optional<fs::path>("/home/ada"),
                          std::optional<fs::path>("/home/ada/"), std::optional<fs::path>("/home/./ada")}) {
    EXPECT_EQ(runlet::chooseDownloadsFolder(configured, home), "/home/ada/Downloads") << configured.value_or("none");
  }
}

runlet::ExportMessageBody body(bool isDictionary, std::optional<std::string> name, std::optional<std::string_view> data) {
  return {isDictionary, std::move(name), data, false, {}, {}, {}};
}

runlet::ExportMessageBody part(const char* transfer, std::optional<std::int64_t> index, bool last, std::string_view data) {
  return {true, "parts.bin", data, true, transfer ? std::optional<std::string>(transfer) : std::nullopt, index, last};
}

TEST(ExportMessage, IgnoreRules) {
  auto request = runlet::exportRequestFromMessage("nblExport", body(true, "../x/report.csv", "data:text/csv;base64,YSxi"));
  ASSERT_TRUE(request);
  EXPECT_EQ(request->name, "report.csv");
  EXPECT_EQ(request->payload, "YSxi");
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
  EXPECT_FALSE(runlet::exportRequestFromMessage("nblExport", part("t", -1, false, "data:,")));
}

size_t entries(const fs::path& folder) { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

TEST(AssembleExport, PartsInOrderMakeOneFileEachAndAGapOrBadPartDropsTheTransferWithoutATrace) {
  TempDir dir;
  runlet::ExportAssembler assembler;
  using Kind = runlet::SaveOutcome::Kind;
  const struct {
    const char* transfer;
    std::int64_t index;
    bool last;
    const char* data;
    Kind kind;
  } rows[] = {
      {"a", 0, false, "data:;base64,YWJj", Kind::pending}, {"b", 0, false, "data:;base64,eHl6", Kind::pending},
      {"a", 1, false, "data:;base64,ZGVm", Kind::pending}, {"a", 2, true, "data:;base64,Zw==", Kind::saved},
      {"b", 1, true, "data:;base64,MQ==", Kind::saved},
      {"c", 0, false, "data:;base64,YWJj", Kind::pending}, {"c", 2, true, "data:;base64,YWJj", Kind::undecodable},
      {"c", 1, true, "data:;base64,YWJj", Kind::undecodable},  // the transfer is gone
      {"e", 0, false, "data:;base64,YQ==", Kind::pending},
      {"e", 1, true, "data:;base64,YQ==", Kind::undecodable},  // padding inside the file
  };
  for (const auto& row : rows) {
    auto request = runlet::exportRequestFromMessage("nblExport", part(row.transfer, row.index, row.last, row.data));
    EXPECT_EQ(assembler.add(dir.path(), *request).kind, row.kind) << row.transfer << row.index;
  }
  EXPECT_EQ(testing_support::readFile(dir / "parts.bin"), "abcdefg");
  EXPECT_EQ(testing_support::readFile(dir / "parts (1).bin"), "xyz1");
  EXPECT_EQ(assembler.openTransfers(), 0u);
  EXPECT_EQ(entries(dir.path()), 2u) << "no temporary files left";
}

TEST(SaveExport, DecodesLenientBase64InPiecesAndLeavesNothingForBadTextOrAFolderItCannotWrite) {
  TempDir dir;
  auto save = [](const fs::path& folder, std::string_view payload) {
    return runlet::saveExport(folder, {"saved", payload, std::nullopt});
  };
  std::string bytes(3 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  platform::GCharPtr encoded(g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  std::string payload(encoded.get());
  payload.insert(1 << 20, "\n");  // a line break across a piece boundary is skipped
  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {payload, bytes}, {"SGVs bG8=\n", "Hello"}, {"SGVsbG8", "Hello"}, {"", ""},
      {payload + "A", std::nullopt},  // one letter left over
      {"QQ==QQ==", std::nullopt}, {"QQ=", std::nullopt},
  };
  for (const auto& [text, decoded] : rows) {
    auto outcome = save(dir.path(), text);
    ASSERT_EQ(outcome.kind, decoded ? runlet::SaveOutcome::Kind::saved : runlet::SaveOutcome::Kind::undecodable) << text;
    if (decoded) {
      EXPECT_EQ(testing_support::readFile(outcome.path), *decoded) << text;
    }
  }
  EXPECT_EQ(entries(dir.path()), 4u) << "nothing for undecodable text";
  EXPECT_EQ(save(dir / "none", "eA==").kind, runlet::SaveOutcome::Kind::failed);
}

TEST(SitePaths, InsideTheSiteOnly) {
  TempDir dir;
  fs::path site = dir / "Site";
  writeFile(site / "index.html", "i");
  writeFile(site / "sub/page.html", "p");
  writeFile(dir / "secret.txt", "s");
  writeFile(dir / "Site2/other.html", "o");
  fs::create_symlink("sub/page.html", site / "alias.html");
  auto root = fs::canonical(site);
  EXPECT_EQ(runlet::resolveSitePath(site, "/index.html"), root / "index.html");
  EXPECT_EQ(runlet::resolveSitePath(site, "alias.html"), root / "sub/page.html");
  for (const char* outside : {"sub/../../secret.txt", "../Site2/other.html", "missing.html"}) {
    EXPECT_FALSE(runlet::resolveSitePath(site, outside)) << outside;
  }
  EXPECT_FALSE(runlet::resolveSitePath(site, std::string_view("index.html\0x", 12)));
  EXPECT_EQ(runlet::decodedRequestPath("/a%20b/%2E%2E/c.html"), "/a b/../c.html");
  EXPECT_FALSE(runlet::decodedRequestPath("/a%00b"));
  EXPECT_EQ(runlet::siteURL("docs/a b#c.html"), "runlet://site/docs/a%20b%23c.html");
}

// The types the shared database lacks or gets wrong for the web, and one it has.
TEST(SiteMIMEType, WebTypesOnTopOfTheSharedDatabase) {
  const std::pair<const char*, const char*> rows[] = {
      {"M.WASM", "application/wasm"}, {"site.webmanifest", "application/manifest+json"}, {"f.otf", "font/otf"},
      {"s.css", "text/css"}, {"no-extension", "application/octet-stream"},
  };
  for (auto [name, type] : rows) EXPECT_EQ(runlet::siteMIMEType(name), type) << name;
}

}  // namespace
