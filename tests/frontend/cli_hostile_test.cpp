// Hostile input through the real nimbrel process: what the user sees (exit
// status, the message) and what is on disk afterwards. Every run's peak
// memory, from the kernel's account of the child, stays bounded.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "cli_fixture.hpp"
#include "support/loopback_http_server.hpp"
#include "support/picture_bytes.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::writeFile;
using Args = std::vector<std::string>;

// Every file and link below `folder` with its content (a link: its target).
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_symlink()) files[name] = "-> " + fs::read_symlink(entry.path()).string();
    else if (entry.is_regular_file()) files[name] = testing_support::readFile(entry.path());
  }
  return files;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class HostileInput : public cli_testing::CommandLine {
 public:
  fs::path site = root / "site";
  std::map<std::string, std::string> oldApp;

  testing_support::FinishedProcess finish(const Args& args, int status, const std::string& says = "") {
    auto result = start(args).wait();
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
    EXPECT_TRUE(result.peakMiB > 0 && result.peakMiB < 150) << result.peakMiB;
    return result;
  }
  // A finished "Site" app from a one-page site, as the user had it before.
  void buildOldApp() {
    writeFile(site / "index.html", "<p>hi</p>");
    ASSERT_EQ(run(replaceSite()).status, 0);
    oldApp = snapshot(out / "Site.app");
  }
  Args replaceSite() { return {"build", "--folder", site, "--name", "Site", "--out", out, "--replace"}; }
  Args urlBuild(Args extra = {}, const std::string& name = "App") {
    Args args{"build", "--url", "example.org", "--name", name, "--out", out};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  void expectOldAppIntact() {
    EXPECT_EQ(snapshot(out / "Site.app"), oldApp);
    EXPECT_EQ(entriesOf(out), Args{"Site.app"}) << "nothing of the new build stays";
  }
};

TEST_F(HostileInput, RefusalsExitTwoSayWhyAndTouchNothing) {
  ::mkfifo((root / "pipe.png").c_str(), 0600);
  writeFile(root / "broken.png", "not a picture");
  for (auto extra : {"--bogus", "--folder", "--notary-profile"}) EXPECT_EQ(run(urlBuild({extra, "x"})).status, 2);
  const std::pair<Args, const char*> rows[] = {
      {urlBuild({}, "../escaped"), "outside the chosen folder"},
      {urlBuild({}, ".."), "\u201C..\u201D"},
      {urlBuild({}, "nosuch/x"), "out/nosuch"},
      {urlBuild({}, ""), "name"},
      {{"build", "--folder", "nowhere", "--name", "A", "--out", out}, "nowhere"},
      {{"build", "--url", "a.org", "--name", "A", "--out", out / "none"}, "out/none"},
      {{"build", "--folder", "x", "--name", "A", "--fetch-icon"}, "--fetch-icon"},
      {urlBuild({"--color", "red"}), "red"},
      {urlBuild({"--icon", "/dev/zero"}), "/dev/zero"},
      {urlBuild({"--icon", root / "pipe.png"}), "pipe.png"},
      {urlBuild({"--icon", root / "broken.png"}), "broken.png"},
  };
  for (const auto& [args, says] : rows) {
    SCOPED_TRACE(testing::PrintToString(args));
    finish(args, 2, says);
    EXPECT_TRUE(fs::is_empty(out)) << testing::PrintToString(entriesOf(out));
    EXPECT_FALSE(fs::exists(root / "escaped.app"));
  }
  EXPECT_TRUE(tools->calls().empty()) << "no tool may run";
}

TEST_F(HostileInput, HugePicturesAndBrokenSettingsStillBuild) {
  writeFile(root / "huge.svg", testing_support::svgOfSize(32000, 32000));
  std::string row;
  for (int x = 0; x < 8000; ++x) row += "\x10\x20\x30\xff";
  const std::string png = testing_support::pngBytes(8000, 8000, 6, row);
  testing_support::LoopbackHttpServer server;
  server.routes().Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"(<link rel="icon" href="/picture">)", "text/html");
  });
  server.routes().Get("/picture", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(png, "application/octet-stream");
  });
  server.start();
  const fs::path settings = home / "config/co.corvan.nimbrel/defaults.plist";
  std::string deep = "<plist><dict><key>signing.useDeveloperID</key>";
  for (int i = 0; i < 200000; ++i) deep += "<array>";
  const std::pair<const char*, std::function<Args()>> rows[] = {
      {"svg declaring 32000", [&] { return urlBuild({"--icon", root / "huge.svg"}); }},
      {"settings nested 200000 deep", [&] { return writeFile(settings, deep), urlBuild(); }},
      {"settings file a named pipe", [&] { return fs::remove(settings), ::mkfifo(settings.c_str(), 0600), urlBuild(); }},
      {"fetched png 8000 rgba",
       [&] { return Args{"build", "--url", server.url("/"), "--name", "App", "--out", out, "--fetch-icon"}; }},
  };
  for (const auto& [name, prepare] : rows) {
    SCOPED_TRACE(name);
    finish(prepare(), 0);
    EXPECT_TRUE(fs::exists(out / "App.app/Contents/Resources/app.plist"));
    EXPECT_EQ(entriesOf(out), Args{"App.app"});
    fs::remove_all(out / "App.app");
  }
  EXPECT_EQ(cli_testing::iconPixel(tools->iconSetSnapshot(), 512), 0xff102030u) << "the site's own icon, fetched last";
}

TEST_F(HostileInput, SitesThatCannotBeCopiedOrSealedKeepTheOldApp) {
  const bool standIns = useStandInTools();
  buildOldApp();
  ::mkfifo((site / "pipe").c_str(), 0600);
  finish(replaceSite(), 1, "is a named pipe");
  expectOldAppIntact();
  fs::remove(site / "pipe");
  if (::geteuid() != 0) {  // root reads it anyway
    writeFile(site / "secret.txt", "x");
    fs::permissions(site / "secret.txt", fs::perms::none);
    finish(replaceSite(), 1, "Permission denied");
    expectOldAppIntact();
    fs::remove(site / "secret.txt");
  }
  if (!standIns) GTEST_SKIP() << "stand-in tools are not built";
  writeFile(site / "bad\xffname.txt", "x");
  finish(replaceSite(), 1,
         "Signing failed: codesign: cannot seal a file whose name is not UTF-8: Contents/Resources/Site/bad\uFFFDname.txt");
  expectOldAppIntact();
}

// The signer stalls here, so the kill lands before any swap, however fast the copy is.
TEST_F(HostileInput, TerminatedDuringALargeCopyKeepsTheOldApp) {
  buildOldApp();
  for (int i = 0; i < 400; ++i) writeFile(site / "assets" / ("f" + std::to_string(i)), std::string(100 * 1024, 'x'));
  writeFile(tools->folder() / "codesign", "#!/bin/sh\nexec sleep 5\n");
  auto build = start(replaceSite());
  while (build.errorOutputSoFar().find("Bundling website files\u2026") == std::string::npos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(build.pid(), SIGTERM);
  EXPECT_EQ(build.wait().status, 128 + SIGTERM);
  expectOldAppIntact();
}

TEST_F(HostileInput, ConcurrentBuildsOfOneAppEachEndWithACompleteApp) {
  std::vector<testing_support::ChildProcess> builds;
  for (int i = 0; i < 4; ++i) builds.push_back(start(urlBuild({"--replace"})));
  for (auto& build : builds) EXPECT_EQ(build.wait().out, (out / "App.app").string() + "\n");
  EXPECT_EQ(entriesOf(out), Args{"App.app"});
  EXPECT_TRUE(fs::exists(out / "App.app/Contents/Resources/app.plist"));
  EXPECT_TRUE(fs::exists(out / "App.app/Contents/MacOS/App"));
}

}  // namespace
