#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>

#include "platform/plist.hpp"
#include "tests/builder/build_fixture.hpp"
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
    tools_test::makeBundle(bundle, "a.b", false);
    writeFile(bundle / "Contents/Resources/Site/index.html", "<h1>Hi</h1>");
    writeFile(bundle / "Contents/Resources/Site/css/site.css", "h1{}");
    fs::create_symlink("Site/index.html", bundle / "Contents/Resources/start.html");
  }
  tools::ProcessResult codesign(std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
    args.push_back(bundle.string());
    return tools_test::run(NIMBREL_TOOL_CODESIGN, args, env);
  }

  testing_support::TempDir tmp;
  fs::path bundle = tmp / "My App.app";
  fs::path sealPath = bundle / "Contents/_CodeSignature/CodeResources";
};

// Every file with the digest an independent program computes, links by their targets;
// unreadable entitlements leave no seal at all.
TEST_F(Codesign, AdHocSealListsEveryFileWithItsSha256) {
  ASSERT_EQ(codesign({"--force", "--sign", "-"}).exitStatus, 0);
  const auto seal = testing_support::readPlist(sealPath);
  std::map<std::string, std::string> digests, expected;
  for (const auto& [path, digest] : plist::lookup<plist::Dictionary>(seal, "files").value_or(plist::Dictionary{}))
    for (auto byte : *digest.get<plist::Data>()) digests[path] += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  for (const char* path : {"Contents/Info.plist", "Contents/MacOS/My App", "Contents/Resources/Site/index.html",
                           "Contents/Resources/Site/css/site.css"})
    expected[path] = tools_test::run("sha256sum", {(bundle / path).string()}).standardOutput.substr(0, 64);
  EXPECT_EQ(digests, expected);
  EXPECT_EQ(plist::lookup<plist::Dictionary>(seal, "symlinks"),
            (plist::Dictionary{{"Contents/Resources/start.html", "Site/index.html"}}));

  writeFile(tmp / "bad.entitlements", "<plist><array>");
  fs::remove_all(sealPath.parent_path());
  auto bad = codesign({"--force", "--entitlements", (tmp / "bad.entitlements").string(), "--sign", "-"});
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_THAT(bad.standardError, HasSubstr("bad.entitlements"));
  EXPECT_FALSE(fs::exists(sealPath.parent_path()));
}

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
    ASSERT_EQ(codesign({"--verify"}).exitStatus, 0);
    change();
    auto result = codesign({"--verify"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.standardError, HasSubstr(reported));
  }
}

TEST_F(Codesign, DeveloperIdSealIsSignedByGpgAndAnUnknownIdentityLeavesNoSeal) {
  const std::map<std::string, std::string> env{{"GNUPGHOME", (tmp / "keyring").string()}};
  ::mkdir((tmp / "keyring").c_str(), 0700);
  std::shared_ptr<void> agentStop(nullptr, [&](void*) { tools_test::run("gpgconf", {"--kill", "gpg-agent"}, env); });
  auto made = tools_test::run(
      "gpg", {"--batch", "--passphrase", "", "--quick-gen-key", "Signer <s@example.invalid>", "default", "default", "never"},
      env);
  if (made.exitStatus != 0) GTEST_SKIP() << "cannot make a test key: " << made.standardError;
  auto unknown = codesign({"--force", "--sign", "Developer ID Application: Nobody (ABCDE12345)"}, env);
  EXPECT_NE(unknown.exitStatus, 0);
  EXPECT_THAT(unknown.standardError, HasSubstr("No secret key"));
  EXPECT_FALSE(fs::exists(sealPath.parent_path()));
  ASSERT_EQ(codesign({"--force", "--options", "runtime", "--sign", "Signer"}, env).exitStatus, 0);
  tools_test::succeeds("gpg", {"--batch", "--verify", sealPath.string() + ".asc", sealPath.string()}, env);
  EXPECT_EQ(codesign({"--verify"}, env).exitStatus, 0);
}

}  // namespace
