// Naming, placing and writing saved files; serving the bundled site.
#include <gtest/gtest.h>

#include "runtime/downloads.hpp"
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

// The types the shared database lacks or gets wrong for the web, and one it has.
TEST(SiteMIMEType, WebTypesOnTopOfTheSharedDatabase) {
  const std::pair<const char*, const char*> rows[] = {
      {"M.WASM", "application/wasm"}, {"site.webmanifest", "application/manifest+json"}, {"f.otf", "font/otf"},
      {"s.css", "text/css"}, {"no-extension", "application/octet-stream"},
  };
  for (auto [name, type] : rows) EXPECT_EQ(runlet::siteMIMEType(name), type) << name;
}

}  // namespace
