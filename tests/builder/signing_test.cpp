#include "builder/signing.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "builder/build_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

// Where a temporary file of the build must lie and how it is named.
void expectTemporaryName(const fs::path& file, const fs::path& folder, const std::string& extension) {
  EXPECT_EQ(file.parent_path(), folder);
  EXPECT_TRUE(std::regex_match(file.filename().string(),
                               std::regex("nbl-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\" + extension)))
      << file;
}

// The signing stage through whole builds of a web address; the icon stage is
// skipped (no background shape) so the tool log holds only this stage's tools.
class Signing : public testing_support::BuildFixture {
 protected:
  void SetUp() override {
    BuildFixture::SetUp();
    fs::remove(resources / "bgtemplate.png");
  }

  static builder::AppGenerator developerRequest(std::optional<std::string> profile = std::nullopt) {
    auto request = urlRequest();
    request.signing = builder::SigningMode::developerID("Developer ID Application: Jane Doe (AB12CD34EF)", profile);
    return request;
  }

  Lines temporaryFiles() const {
    Lines names;
    for (const auto& e : fs::directory_iterator(temporary)) names.push_back(e.path().filename().string());
    return names;
  }

  std::string app() const { return (out / "My Cool App.app").string(); }
};

TEST_F(Signing, DeveloperIDSignsWithTheTwoEntitlementsAndAProfileAddsNotarization) {
  auto record = build(developerRequest(), out);
  ASSERT_TRUE(record.result->succeeded()) << record.error();
  EXPECT_EQ(tools->toolsRun(), (Lines{"xattr", "codesign", "lsregister"}));
  const std::regex codesign(
      R"(codesign \[--force\] \[--options\] \[runtime\] \[--timestamp\] \[--entitlements\] \[(.*)\] )"
      R"(\[--sign\] \[Developer ID Application: Jane Doe \(AB12CD34EF\)\] \[(.*)\])");
  std::smatch match;
  const std::string line = tools->calls()[1];
  ASSERT_TRUE(std::regex_match(line, match, codesign)) << line;
  EXPECT_EQ(match[2].str(), tools->stagedApp());
  expectTemporaryName(match[1].str(), temporary, ".entitlements");
  EXPECT_EQ(testing_support::readPlist(tools->entitlementsCopy()),
            (platform::plist::Dictionary{{"com.apple.security.device.camera", true},
                                         {"com.apple.security.device.audio-input", true}}));
  EXPECT_TRUE(temporaryFiles().empty());

  fs::remove(tools->folder() / "calls.log");
  record = build(developerRequest("notary profile"), out);
  ASSERT_TRUE(record.result->succeeded()) << record.error();
  EXPECT_EQ(record.progress,
            (Lines{"Creating app bundle\u2026", "Generating icon\u2026", "Signing with Developer ID\u2026",
                   "Preparing for notarization\u2026",
                   "Uploading to Apple for notarization\u2026 (this can take a few minutes)",
                   "Stapling notarization ticket\u2026"}));
  auto calls = tools->calls();
  ASSERT_EQ(calls.size(), 6u);
  ASSERT_TRUE(std::regex_match(calls[2], match, std::regex(R"(ditto \[-c\] \[-k\] \[--keepParent\] \[(.*)\] \[(.*)\])")))
      << calls[2];
  EXPECT_EQ(match[1].str(), tools->stagedApp());  // its folder's name is the app's: the archive's top entry
  const fs::path archive = match[2].str();
  expectTemporaryName(archive, temporary, ".zip");
  EXPECT_EQ(calls[3],
            "xcrun [notarytool] [submit] [" + archive.string() + "] [--keychain-profile] [notary profile] [--wait]");
  EXPECT_EQ(calls[4], "xcrun [stapler] [staple] [" + tools->stagedApp() + "]");
  EXPECT_EQ(calls[5], "lsregister [-f] [" + app() + "]");
  EXPECT_TRUE(temporaryFiles().empty());
}

struct ToolFailure {
  const char* name;
  const char* tool;  // as FakeTools names it
  std::string err, out;
  std::optional<std::string> profile;  // nothing: ad-hoc signing
  std::string description;
  Lines ran;
  std::size_t temporaryFilesLeft = 0;
};

void PrintTo(const ToolFailure& row, std::ostream* os) { *os << row.name; }

class SigningFailure : public Signing, public testing::WithParamInterface<ToolFailure> {};

// A failed signature or notarization names the tool's own words, registers
// nothing, removes its archive and leaves the app that was there as it was.
TEST_P(SigningFailure, ReportsTheToolsOutputAndKeepsTheOldApp) {
  const ToolFailure& row = GetParam();
  writeFile(out / "My Cool App.app/Contents/old", "keep");
  tools->setExit(row.tool, 1);
  tools->setStderr(row.tool, row.err);
  tools->setStdout(row.tool, row.out);
  auto record = build(row.profile ? developerRequest(*row.profile) : urlRequest(), out);
  EXPECT_EQ(record.error(), row.description);
  EXPECT_EQ(tools->toolsRun(), row.ran);
  EXPECT_EQ(temporaryFiles().size(), row.temporaryFilesLeft);
  EXPECT_EQ(testing_support::tree(out), (Lines{"My Cool App.app/", "My Cool App.app/Contents/",
                                               "My Cool App.app/Contents/old"}));
}

const Lines signed_{"xattr", "codesign"}, submitted{"xattr", "codesign", "ditto", "xcrun"};

INSTANTIATE_TEST_SUITE_P(
    Rows, SigningFailure,
    testing::Values(
        ToolFailure{"Codesign", "codesign", "error: The specified item could not be found.\n", "", std::nullopt,
                    "Signing failed: error: The specified item could not be found.\n", signed_},
        // Bytes that are not UTF-8 (a file name quoted by the tool) are replaced, the message kept.
        ToolFailure{"CodesignNotUtf8", "codesign", "bad \xff\xfe bytes", "", std::nullopt,
                    "Signing failed: bad \uFFFD\uFFFD bytes", signed_},
        // A failed Developer ID signature leaves its entitlements file, and nothing else, behind.
        ToolFailure{"CodesignDeveloperID", "codesign", "", "", "profile", "Signing failed: ", signed_, 1},
        ToolFailure{"NotaryStandardError", "xcrun-notarytool",
                    "Error: No Keychain password item found for profile: profile\n", "ignored", "profile",
                    "Notarization failed: Error: No Keychain password item found for profile: profile\n", submitted},
        ToolFailure{"NotaryEmptyStandardErrorWins", "xcrun-notarytool", "", "status: Invalid", "profile",
                    "Notarization failed: ", submitted},
        ToolFailure{"NotaryStandardOutputWhenErrorIsNotText", "xcrun-notarytool", "\xc3\x28", "status: Invalid\n",
                    "profile", "Notarization failed: status: Invalid\n", submitted},
        ToolFailure{"NotaryNeitherIsText", "xcrun-notarytool", "\xc3\x28", "\xff", "profile",
                    "Notarization failed: \uFFFD(", submitted},
        ToolFailure{"Stapler", "xcrun-stapler", "CloudKit query failed\n", "", "profile",
                    "Notarization failed: Could not staple the notarization ticket.",
                    {"xattr", "codesign", "ditto", "xcrun", "xcrun"}}),
    [](const auto& info) { return std::string(info.param.name); });

// An attribute remover that cannot start fails the build before anything is
// signed; one that fails, and a failed registration, do not.
TEST_F(Signing, AttributeRemoverAndRegistrationFailures) {
  auto env = environment();
  env.tools.xattr = root / "no-xattr";
  auto record = build(urlRequest(), out, env);
  EXPECT_THAT(record.error(), testing::HasSubstr("No such file or directory"));
  EXPECT_TRUE(tools->calls().empty());
  EXPECT_TRUE(fs::is_empty(out));

  tools->setExit("xattr", 1);
  tools->setExit("lsregister", 3);
  EXPECT_TRUE(build(urlRequest("One"), out).result->succeeded());
  env = environment();
  env.tools.lsregister = root / "no-lsregister";
  EXPECT_TRUE(build(urlRequest("Two"), out, env).result->succeeded());
}

}  // namespace
