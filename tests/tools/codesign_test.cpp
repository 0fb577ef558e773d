#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/plist.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"

namespace fs = std::filesystem;
namespace plist = platform::plist;
using testing_support::writeFile;

using ::testing::HasSubstr;

namespace {

class Codesign : public testing::Test {
 protected:
  void SetUp() override {
    tools_test::makeBundle(bundle, {.withIcon = false});
    writeFile(bundle / "Contents/Resources/Site/index.html", "<h1>Hi</h1>");
    writeFile(bundle / "Contents/Resources/Site/css/site.css", "h1{}");
    fs::create_directories(bundle / "Contents/Resources/Empty");
    fs::create_symlink("Site/index.html", bundle / "Contents/Resources/start.html");
  }

  tools::ProcessResult codesign(std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
    args.push_back(bundle.string());
    return tools_test::run(NIMBREL_TOOL_CODESIGN, args, env);
  }

  plist::Dictionary seal() {
    auto value = plist::readFile(sealPath);
    return value && value->is<plist::Dictionary>() ? *value->get<plist::Dictionary>() : plist::Dictionary{};
  }

  testing_support::TempDir tmp;
  fs::path bundle = tmp / "My App.app";
  fs::path sealPath = bundle / "Contents/_CodeSignature/CodeResources";
  fs::path signaturePath = bundle / "Contents/_CodeSignature/CodeResources.asc";
};

// Every file, each with the digest an independent program computes; links by their targets.
TEST_F(Codesign, AdHocSealListsEveryFileWithItsSha256) {
  ASSERT_EQ(codesign({"--force", "--sign", "-"}).exitStatus, 0);
  auto s = seal();
  std::map<std::string, std::string> digests;
  for (const auto& [path, digest] : plist::lookup<plist::Dictionary>(s, "files").value_or(plist::Dictionary{})) {
    std::string hex;
    for (auto byte : digest.is<plist::Data>() ? *digest.get<plist::Data>() : plist::Data{})
      hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    digests[path] = hex;
  }
  std::map<std::string, std::string> expected;
  for (const char* path : {"Contents/Info.plist", "Contents/MacOS/My App", "Contents/Resources/Site/index.html",
                           "Contents/Resources/Site/css/site.css"})
    expected[path] = tools_test::run("sha256sum", {(bundle / path).string()}).standardOutput.substr(0, 64);
  EXPECT_EQ(digests, expected);
  EXPECT_EQ(plist::lookup<plist::Dictionary>(s, "symlinks"),
            (plist::Dictionary{{"Contents/Resources/start.html", "Site/index.html"}}));
  EXPECT_EQ(plist::lookup<std::string>(s, "identity"), "-");
  EXPECT_FALSE(s.contains("entitlements"));
  EXPECT_FALSE(fs::exists(signaturePath));

  writeFile(tmp / "bad.entitlements", "<plist><array>");  // unreadable entitlements: no seal at all
  fs::remove_all(sealPath.parent_path());
  auto bad = codesign({"--force", "--entitlements", (tmp / "bad.entitlements").string(), "--sign", "-"});
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_THAT(bad.standardError, HasSubstr("bad.entitlements"));
  EXPECT_FALSE(fs::exists(sealPath.parent_path()));
}

// Each change to a sealed bundle is named by --verify.
TEST_F(Codesign, VerifyNamesEveryChange) {
  const std::pair<std::function<void()>, const char*> changes[] = {
      {[&] { writeFile(bundle / "Contents/Resources/Site/index.html", "<h1>Ho</h1>"); },
       "modified: Contents/Resources/Site/index.html"},
      {[&] { writeFile(bundle / "Contents/MacOS/helper", "x"); }, "added: Contents/MacOS/helper"},
      {[&] {
         fs::remove(bundle / "Contents/Resources/start.html");
         fs::create_symlink("/etc/passwd", bundle / "Contents/Resources/start.html");
       },
       "modified: Contents/Resources/start.html"},
  };
  for (const auto& [change, reported] : changes) {
    ASSERT_EQ(codesign({"--force", "--sign", "-"}).exitStatus, 0);
    ASSERT_EQ(codesign({"--verify", "--verbose"}).exitStatus, 0);
    change();
    auto result = codesign({"--verify"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.standardError, HasSubstr(reported));
  }
}

// Developer ID signing against a throw-away keyring.
TEST_F(Codesign, DeveloperIdSealIsSignedByGpgAndAnUnknownIdentityLeavesNoSeal) {
  const std::map<std::string, std::string> env{{"GNUPGHOME", (tmp / "keyring").string()}};
  ::mkdir((tmp / "keyring").c_str(), 0700);
  struct AgentStop {  // the agent gpg starts for the keyring ends with the test
    const std::map<std::string, std::string>& env;
    ~AgentStop() { tools_test::run("gpgconf", {"--kill", "gpg-agent"}, env); }
  } agentStop{env};
  const char* signer = "Nimbrel Test Signer";
  auto made = tools_test::run("gpg",
                              {"--batch", "--passphrase", "", "--quick-gen-key",
                               std::string(signer) + " <signer@example.invalid>", "default", "default", "never"},
                              env);
  if (made.exitStatus != 0) GTEST_SKIP() << "cannot make a test key: " << made.standardError;
  const fs::path entitlements = tmp / "nbl-0E5B3C2A-8D4F-4C1B-9A7E-123456789ABC.entitlements";
  const plist::Dictionary granted{{"com.apple.security.device.camera", true},
                                  {"com.apple.security.device.audio-input", true}};
  writeFile(entitlements, plist::toXML(granted));
  auto signAs = [&](const std::string& identity) {
    return codesign(
        {"--force", "--options", "runtime", "--timestamp", "--entitlements", entitlements.string(), "--sign", identity},
        env);
  };

  auto unknown = signAs("Developer ID Application: Nobody (ABCDE12345)");
  EXPECT_NE(unknown.exitStatus, 0);
  EXPECT_THAT(unknown.standardError, HasSubstr("No secret key"));
  EXPECT_EQ(unknown.standardError.rfind("gpg: ", 0), 0u) << "gpg's own text, unprefixed: " << unknown.standardError;
  EXPECT_EQ(unknown.standardError.back(), '\n');
  EXPECT_FALSE(fs::exists(sealPath.parent_path())) << "nothing half-signed stays in the bundle";

  ASSERT_EQ(signAs(signer).exitStatus, 0);
  tools_test::succeeds("gpg", {"--batch", "--verify", signaturePath.string(), sealPath.string()}, env);
  auto s = seal();
  EXPECT_EQ(plist::lookup<plist::Dictionary>(s, "entitlements"), granted);
  EXPECT_EQ(plist::lookup<plist::Array>(s, "flags"), (plist::Array{"runtime"}));
  EXPECT_EQ(plist::lookup<std::string>(s, "identity"), signer);
  EXPECT_TRUE(plist::lookup<plist::Date>(s, "signingTime"));
  EXPECT_EQ(codesign({"--verify"}, env).exitStatus, 0);
  // A seal edited after signing no longer matches its signature.
  writeFile(sealPath, testing_support::readFile(sealPath) + "\n");
  EXPECT_EQ(codesign({"--verify"}, env).exitStatus, 1);
  // An ad-hoc seal drops the signature of the one before.
  ASSERT_EQ(codesign({"--force", "--sign", "-"}, env).exitStatus, 0);
  EXPECT_FALSE(fs::exists(signaturePath));
}

}  // namespace
