#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/plist.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/fixtures.hpp"
#include "tests/tools/tool_process.hpp"

namespace fs = std::filesystem;
namespace plist = platform::plist;
using testing_support::writeFile;

using ::testing::HasSubstr;

namespace {

std::string hex(const plist::Data& bytes) {
  std::string out;
  for (auto b : bytes) out += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
  return out;
}

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

TEST_F(Codesign, AdHocSealListsEveryFileWithItsSha256) {
  auto result = codesign({"--force", "--sign", "-"});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  auto s = seal();
  auto files = plist::lookup<plist::Dictionary>(s, "files");
  ASSERT_TRUE(files);

  std::set<std::string> expected{"Contents/Info.plist", "Contents/MacOS/My App", "Contents/Resources/Site/index.html",
                                 "Contents/Resources/Site/css/site.css"};
  std::set<std::string> listed;
  for (const auto& [path, digest] : *files) {
    listed.insert(path);
    ASSERT_TRUE(digest.is<plist::Data>()) << path;
    auto sum = tools_test::run("sha256sum", {(bundle / path).string()});
    EXPECT_EQ(sum.standardOutput.substr(0, 64), hex(*digest.get<plist::Data>())) << path;
  }
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(plist::lookup<plist::Dictionary>(s, "symlinks"),
            (plist::Dictionary{{"Contents/Resources/start.html", "Site/index.html"}}));
  EXPECT_EQ(plist::lookup<std::string>(s, "identity"), "-");
  EXPECT_FALSE(s.contains("entitlements"));
  EXPECT_FALSE(fs::exists(signaturePath));
}

TEST_F(Codesign, BadEntitlementsWriteNothing) {
  writeFile(tmp / "bad.entitlements", "<plist><array>");
  auto bad = codesign({"--force", "--entitlements", (tmp / "bad.entitlements").string(), "--sign", "-"});
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_THAT(bad.standardError, HasSubstr("bad.entitlements"));
  EXPECT_FALSE(fs::exists(sealPath.parent_path()));
}

// Each row changes a sealed bundle in one way that --verify must notice.
struct Tamper {
  const char* name;
  std::function<void(const fs::path&)> change;
  const char* reported;
};

class CodesignVerify : public Codesign, public testing::WithParamInterface<Tamper> {};

TEST_P(CodesignVerify, DetectsTheChange) {
  ASSERT_EQ(codesign({"--force", "--sign", "-"}).exitStatus, 0);
  auto intact = codesign({"--verify", "--verbose"});
  ASSERT_EQ(intact.exitStatus, 0) << intact.standardError;

  GetParam().change(bundle);
  auto result = codesign({"--verify"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.standardError, HasSubstr(GetParam().reported));
}

void retargetStartLink(const fs::path& b) {
  fs::remove(b / "Contents/Resources/start.html");
  fs::create_symlink("/etc/passwd", b / "Contents/Resources/start.html");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CodesignVerify,
    testing::Values(
        Tamper{"ModifiedFile", [](const fs::path& b) { writeFile(b / "Contents/Resources/Site/index.html", "<h1>Ho</h1>"); },
               "modified: Contents/Resources/Site/index.html"},
        Tamper{"AddedFile", [](const fs::path& b) { writeFile(b / "Contents/MacOS/helper", "x"); },
               "added: Contents/MacOS/helper"},
        Tamper{"RetargetedLink", retargetStartLink, "modified: Contents/Resources/start.html"}),
    [](const auto& info) { return std::string(info.param.name); });

// Developer ID signing against a throw-away keyring made once for the suite.
class CodesignWithKey : public Codesign {
 protected:
  static constexpr const char* kSigner = "Nimbrel Test Signer";

  static void SetUpTestSuite() {
    keyring = new testing_support::TempDir;
    ::chmod(keyring->path().c_str(), 0700);
    auto made = tools_test::run("gpg",
                                {"--batch", "--passphrase", "", "--quick-gen-key",
                                 std::string(kSigner) + " <signer@example.invalid>", "default", "default", "never"},
                                env());
    keyError = made.exitStatus == 0 ? "" : "cannot make a test key: " + made.standardError;
  }
  static void TearDownTestSuite() {
    tools_test::run("gpgconf", {"--kill", "gpg-agent"}, env());
    delete keyring;
    keyring = nullptr;
  }
  static std::map<std::string, std::string> env() { return {{"GNUPGHOME", keyring->path().string()}}; }

  void SetUp() override {
    if (!keyError.empty()) GTEST_SKIP() << keyError;
    Codesign::SetUp();
    entitlements = tmp / "nbl-0E5B3C2A-8D4F-4C1B-9A7E-123456789ABC.entitlements";
    writeFile(entitlements, plist::toXML(plist::Dictionary{{"com.apple.security.device.camera", true},
                                                           {"com.apple.security.device.audio-input", true}}));
  }

  tools::ProcessResult signAs(const std::string& identity) {
    return codesign(
        {"--force", "--options", "runtime", "--timestamp", "--entitlements", entitlements.string(), "--sign", identity},
        env());
  }

  static inline testing_support::TempDir* keyring = nullptr;
  static inline std::string keyError;
  fs::path entitlements;
};

TEST_F(CodesignWithKey, DeveloperIdSealIsSignedAndGpgAcceptsIt) {
  auto result = signAs(kSigner);
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;

  auto verified = tools_test::run("gpg", {"--batch", "--verify", signaturePath.string(), sealPath.string()}, env());
  EXPECT_EQ(verified.exitStatus, 0) << verified.standardError;
  auto s = seal();
  EXPECT_EQ(plist::lookup<plist::Dictionary>(s, "entitlements"),
            *plist::readFile(entitlements)->get<plist::Dictionary>());
  EXPECT_EQ(plist::lookup<plist::Array>(s, "flags"), (plist::Array{"runtime"}));
  EXPECT_EQ(plist::lookup<std::string>(s, "identity"), kSigner);
  EXPECT_TRUE(plist::lookup<plist::Date>(s, "signingTime"));
  EXPECT_EQ(codesign({"--verify"}, env()).exitStatus, 0);

  // A seal edited after signing no longer matches its signature.
  writeFile(sealPath, testing_support::readFile(sealPath) + "\n");
  EXPECT_EQ(codesign({"--verify"}, env()).exitStatus, 1);
  // An ad-hoc seal drops the signature of the one before.
  ASSERT_EQ(codesign({"--force", "--sign", "-"}, env()).exitStatus, 0);
  EXPECT_FALSE(fs::exists(signaturePath));
}

TEST_F(CodesignWithKey, UnknownIdentityFailsWithGpgsMessageAndLeavesNoSeal) {
  auto result = signAs("Developer ID Application: Nobody (ABCDE12345)");
  EXPECT_NE(result.exitStatus, 0);
  EXPECT_THAT(result.standardError, HasSubstr("No secret key"));
  EXPECT_EQ(result.standardError.rfind("gpg: ", 0), 0u) << "gpg's own text, unprefixed: " << result.standardError;
  EXPECT_EQ(result.standardError.back(), '\n');
  EXPECT_FALSE(fs::exists(sealPath.parent_path())) << "nothing half-signed stays in the bundle";
}

}  // namespace
