#include "builder/signing.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "builder/build_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

// Where a temporary file of the build must lie and how it is named.
void expectTemporaryName(const fs::path& file, const fs::path& folder, const std::string& extension) {
  EXPECT_EQ(file.parent_path(), folder);
  EXPECT_TRUE(std::regex_match(file.filename().string(),
                               std::regex("nbl-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\" + extension)))
      << file;
}

// Stage 3 through whole builds of a web address; the icon stage is skipped
// (no background shape) so the tool log holds only this stage's tools.
class Signing : public testing_support::BuildFixture {
 protected:
  void SetUp() override {
    BuildFixture::SetUp();
    fs::remove(resources / "bgtemplate.png");
  }

  builder::AppGenerator developerRequest(std::optional<std::string> profile = std::nullopt) const {
    auto request = urlRequest();
    request.signing = builder::SigningMode::developerID("Developer ID Application: Jane Doe (AB12CD34EF)", profile);
    return request;
  }

  std::vector<std::string> temporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(temporary)) names.push_back(e.path().filename().string());
    return names;
  }

  std::string app() const { return (out / "My Cool App.app").string(); }
};

TEST_F(Signing, DeveloperIDWithoutProfileSignsWithEntitlementsAndNoNotarization) {
  auto record = build(developerRequest(), out);
  ASSERT_TRUE(record.result->succeeded()) << record.result->errorDescription();
  EXPECT_EQ(record.progress, (std::vector<std::string>{"Creating app bundle\u2026", "Generating icon\u2026",
                                                       "Signing with Developer ID\u2026"}));
  EXPECT_EQ(tools->toolsRun(), (std::vector<std::string>{"xattr", "codesign", "lsregister"}));

  const std::regex codesign(
      R"(codesign \[--force\] \[--options\] \[runtime\] \[--timestamp\] \[--entitlements\] \[(.*)\] )"
      R"(\[--sign\] \[Developer ID Application: Jane Doe \(AB12CD34EF\)\] \[(.*)\])");
  std::smatch match;
  const std::string line = tools->calls()[1];
  ASSERT_TRUE(std::regex_match(line, match, codesign)) << line;
  EXPECT_EQ(match[2].str(), tools->stagedApp());
  expectTemporaryName(match[1].str(), temporary, ".entitlements");
  // The tool saw exactly the two entitlements; the file is gone after success.
  EXPECT_EQ(readPlist(tools->entitlementsCopy()), (platform::plist::Dictionary{
                                                     {"com.apple.security.device.camera", true},
                                                     {"com.apple.security.device.audio-input", true}}));
  EXPECT_TRUE(temporaryFiles().empty());
}

TEST_F(Signing, ProfileAddsArchiveSubmissionAndStaplingInOrder) {
  auto record = build(developerRequest("notary profile"), out);
  ASSERT_TRUE(record.result->succeeded()) << record.result->errorDescription();
  EXPECT_EQ(record.progress,
            (std::vector<std::string>{"Creating app bundle\u2026", "Generating icon\u2026",
                                      "Signing with Developer ID\u2026", "Preparing for notarization\u2026",
                                      "Uploading to Apple for notarization\u2026 (this can take a few minutes)",
                                      "Stapling notarization ticket\u2026"}));
  auto calls = tools->calls();
  ASSERT_EQ(calls.size(), 6u);
  const std::regex ditto(R"(ditto \[-c\] \[-k\] \[--keepParent\] \[(.*)\] \[(.*)\])");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(calls[2], match, ditto)) << calls[2];
  EXPECT_EQ(match[1].str(), tools->stagedApp());  // its folder's name is the app's: the archive's top entry
  const fs::path archive = match[2].str();
  expectTemporaryName(archive, temporary, ".zip");
  EXPECT_EQ(calls[3],
            "xcrun [notarytool] [submit] [" + archive.string() + "] [--keychain-profile] [notary profile] [--wait]");
  EXPECT_EQ(calls[4], "xcrun [stapler] [staple] [" + tools->stagedApp() + "]");
  EXPECT_EQ(calls[5], "lsregister [-f] [" + app() + "]");
  EXPECT_TRUE(temporaryFiles().empty());
}

// A failed signature leaves the app that was there as it was, and no trace of the new one.
TEST_F(Signing, CodesignFailureCarriesItsErrorOutputAsWrittenAndKeepsTheOldApp) {
  writeFile(out / "My Cool App.app/Contents/old", "keep");
  tools->setExit("codesign", 1);
  tools->setStderr("codesign", "error: The specified item could not be found.\n");
  auto record = build(urlRequest(), out);
  EXPECT_EQ(record.result->errorDescription(), "Signing failed: error: The specified item could not be found.\n");
  EXPECT_EQ(tools->toolsRun(), (std::vector<std::string>{"xattr", "codesign"}));  // not registered
  EXPECT_EQ(readFile(out / "My Cool App.app/Contents/old"), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);

  // Bytes that are not UTF-8 (a file name quoted by the tool) are replaced, the message kept.
  tools->setStderr("codesign", std::string("bad \xff\xfe bytes"));
  EXPECT_EQ(build(urlRequest(), out).result->errorDescription(), "Signing failed: bad \uFFFD\uFFFD bytes");

  // A failed Developer ID signature leaves its entitlements file, and nothing else, behind.
  tools->setStderr("codesign", "");
  EXPECT_EQ(build(developerRequest("profile"), out).result->errorDescription(), "Signing failed: ");
  auto left = temporaryFiles();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left[0].ends_with(".entitlements"));
  EXPECT_EQ(tools->toolsRun().back(), "codesign");
}

struct SubmissionCase {
  const char* name;
  std::string err;
  std::string out;
  std::string description;
};

class SubmissionFailure : public Signing, public ::testing::WithParamInterface<SubmissionCase> {};

TEST_P(SubmissionFailure, ReportsTheToolsOutputAndRemovesTheArchive) {
  tools->setExit("xcrun-notarytool", 69);
  tools->setStderr("xcrun-notarytool", GetParam().err);
  tools->setStdout("xcrun-notarytool", GetParam().out);
  auto record = build(developerRequest("profile"), out);
  EXPECT_EQ(record.result->errorDescription(), GetParam().description);
  EXPECT_TRUE(temporaryFiles().empty());
  EXPECT_EQ(tools->toolsRun(), (std::vector<std::string>{"xattr", "codesign", "ditto", "xcrun"}));
  EXPECT_EQ(record.progress.back(), "Uploading to Apple for notarization\u2026 (this can take a few minutes)");
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, SubmissionFailure,
    ::testing::Values(
        SubmissionCase{"StandardError", "Error: No Keychain password item found for profile: profile\n", "ignored",
                       "Notarization failed: Error: No Keychain password item found for profile: profile\n"},
        SubmissionCase{"EmptyStandardErrorWins", "", "status: Invalid", "Notarization failed: "},
        SubmissionCase{"StandardOutputWhenErrorIsNotText", "\xc3\x28", "status: Invalid\n",
                       "Notarization failed: status: Invalid\n"},
        SubmissionCase{"NeitherIsText", "\xc3\x28", "\xff", "Notarization failed: \uFFFD("}),
    [](const auto& info) { return info.param.name; });

TEST_F(Signing, StaplerFailureHasItsFixedTextAndRemovesTheArchive) {
  tools->setExit("xcrun-stapler", 65);
  tools->setStderr("xcrun-stapler", "CloudKit query failed\n");
  auto record = build(developerRequest("profile"), out);
  EXPECT_EQ(record.result->errorDescription(), "Notarization failed: Could not staple the notarization ticket.");
  EXPECT_TRUE(temporaryFiles().empty());
}

TEST_F(Signing, AttributeRemoverCannotStartFailsWithTheSystemsMessage) {
  auto env = environment();
  env.tools.xattr = root / "no-xattr";
  auto record = build(urlRequest(), out, env);
  ASSERT_FALSE(record.result->succeeded());
  EXPECT_THAT(record.result->errorDescription(), testing::HasSubstr("No such file or directory"));
  EXPECT_TRUE(tools->calls().empty());  // nothing signed
  EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(Signing, AttributeRemoverAndRegistrationFailuresDoNotFailTheBuild) {
  tools->setExit("xattr", 1);
  tools->setExit("lsregister", 3);
  EXPECT_TRUE(build(urlRequest("One"), out).result->succeeded());

  auto env = environment();
  env.tools.lsregister = root / "no-lsregister";
  EXPECT_TRUE(build(urlRequest("Two"), out, env).result->succeeded());
}

}  // namespace
