#include "builder/signing.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>


#include "builder/build_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

// The signing stage through whole builds; no background shape, so the icon
// stage runs no tool.
class Signing : public testing_support::BuildFixture {
 protected:
  void SetUp() override {
    BuildFixture::SetUp();
    fs::remove(resources / "bgtemplate.png");
  }
  static builder::AppGenerator developerRequest(std::optional<std::string> profile = std::nullopt) {
    auto request = urlRequest();
    request.signing = builder::SigningMode::developerID("Developer ID Application: Jane (AB12)", profile);
    return request;
  }
};

// Notarization's command lines are the command-line tests'; here what the
// tools are handed: the entitlements, the staged app, temporary files removed.
TEST_F(Signing, DeveloperIDSignsWithTheTwoEntitlementsAndAProfileAddsNotarization) {
  ASSERT_TRUE(build(developerRequest("notary profile"), out).ok());
  ASSERT_EQ(tools->toolsRun(), (Lines{"xattr", "codesign", "ditto", "xcrun", "xcrun", "lsregister"}));
  EXPECT_EQ(testing_support::readPlist(tools->entitlementsCopy()),
            (platform::plist::Dictionary{{"com.apple.security.device.camera", true},
                                         {"com.apple.security.device.audio-input", true}}));
  EXPECT_TRUE(tools->calls()[2].starts_with("ditto [-c] [-k] [--keepParent] [" + tools->stagedApp() + "] [" +
                                            temporary.string()));
  EXPECT_TRUE(fs::is_empty(temporary));
}

struct ToolFailure {
  const char* name;
  const char* tool;  // as FakeTools names it
  std::string err, out;
  std::optional<std::string> profile;  // nothing: ad-hoc signing
  std::string description;
  std::size_t ran;  // tools run
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
  EXPECT_EQ(build(row.profile ? developerRequest(*row.profile) : urlRequest(), out).error(), row.description);
  EXPECT_EQ(tools->toolsRun().size(), row.ran);
  EXPECT_EQ(testing_support::tree(temporary).size(), row.temporaryFilesLeft);
  EXPECT_EQ(testing_support::tree(out), (Lines{"My Cool App.app/", "My Cool App.app/Contents/",
                                               "My Cool App.app/Contents/old"}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SigningFailure,
    testing::Values(
        // Bytes that are not UTF-8 (a file name quoted by the tool) are replaced, the message kept.
        ToolFailure{"CodesignNotUtf8", "codesign", "bad \xff\xfe bytes", "", std::nullopt,
                    "Signing failed: bad \uFFFD\uFFFD bytes", 2},
        // A failed Developer ID signature leaves its entitlements file, and nothing else, behind.
        ToolFailure{"CodesignDeveloperID", "codesign", "", "", "profile", "Signing failed: ", 2, 1},
        ToolFailure{"NotaryEmptyStandardErrorWins", "xcrun-notarytool", "", "status: Invalid", "profile",
                    "Notarization failed: ", 4},
        ToolFailure{"NotaryStandardOutputWhenErrorIsNotText", "xcrun-notarytool", "\xc3\x28", "status: Invalid\n",
                    "profile", "Notarization failed: status: Invalid\n", 4},
        ToolFailure{"NotaryNeitherIsText", "xcrun-notarytool", "\xc3\x28", "\xff", "profile",
                    "Notarization failed: \uFFFD(", 4},
        ToolFailure{"Stapler", "xcrun-stapler", "CloudKit query failed\n", "", "profile",
                    "Notarization failed: Could not staple the notarization ticket.", 5}),
    [](const auto& info) { return std::string(info.param.name); });

// An attribute remover that cannot start fails the build before anything is
// signed; one that fails, and a failed or missing registration, do not.
TEST_F(Signing, AttributeRemoverAndRegistrationFailures) {
  auto env = environment();
  env.tools.xattr = root / "no-xattr";
  EXPECT_THAT(build(urlRequest(), out, env).error(), testing::HasSubstr("No such file or directory"));
  EXPECT_TRUE(tools->calls().empty());
  EXPECT_TRUE(fs::is_empty(out));

  tools->setExit("xattr", 1);
  tools->setExit("lsregister", 3);
  EXPECT_TRUE(build(urlRequest("One"), out).ok());
  env = environment();
  env.tools.lsregister = root / "no-lsregister";
  EXPECT_TRUE(build(urlRequest("Two"), out, env).ok());
}

}  // namespace
