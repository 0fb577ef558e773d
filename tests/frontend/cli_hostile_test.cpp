// Hostile input through the real nimbrel process: each row says what the
// user sees (exit status, the message) and what is on disk afterwards. Every
// run's peak memory, from the kernel's account of the child, stays bounded.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <thread>

#include "cli_fixture.hpp"
#include "support/loopback_http_server.hpp"
#include "support/picture_bytes.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::writeFile;

constexpr double peakLimitMiB = 150;

// Every file and link below `folder` with its content (a link: its target).
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_symlink()) {
      files[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      files[name] = testing_support::readFile(entry.path());
    }
  }
  return files;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class HostileInput;

struct HostileRow {
  const char* name;
  // Sets the scene; returns the arguments of the build, or nothing to skip the row.
  std::function<std::optional<std::vector<std::string>>(HostileInput&)> prepare;
  int status;
  const char* says;  // part of what stderr must say; empty: anything
  enum Disk { nothingWritten, oldAppIntact, newAppBuilt } disk;
};

void PrintTo(const HostileRow& row, std::ostream* os) { *os << row.name; }

class HostileInput : public cli_testing::CommandLine, public testing::WithParamInterface<HostileRow> {
 public:
  fs::path site = root / "site";
  testing_support::LoopbackHttpServer server;
  std::map<std::string, std::string> oldApp;

  // A finished "Site" app from a one-page site, as the user had it before.
  void buildOldApp() {
    writeFile(site / "index.html", "<p>hi</p>");
    auto first = run({"build", "--folder", site.string(), "--name", "Site", "--out", out.string()});
    ASSERT_EQ(first.status, 0) << first.err;
    oldApp = snapshot(out / "Site.app");
  }
  std::vector<std::string> replaceSite() {
    return {"build", "--folder", site.string(), "--name", "Site", "--out", out.string(), "--replace"};
  }
  std::vector<std::string> urlBuild(std::vector<fs::path> extra = {}, const std::string& name = "App") {
    std::vector<std::string> args{"build", "--url", "example.org", "--name", name, "--out", out};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // A page on the loopback server whose first icon link is `picture`.
  std::vector<std::string> fetchBuild(const std::string& picture) {
    server.routes().Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(R"(<link rel="icon" href="/picture">)", "text/html");
    });
    server.routes().Get("/picture", [picture](const httplib::Request&, httplib::Response& res) {
      res.set_content(picture, "application/octet-stream");
    });
    server.start();
    return {"build", "--url", server.url("/"), "--name", "App", "--out", out.string(), "--fetch-icon"};
  }
};

TEST_P(HostileInput, EndsClearlyAndLeavesTheDiskAsSaid) {
  const HostileRow& row = GetParam();
  auto args = row.prepare(*this);
  if (HasFatalFailure()) return;
  if (!args) GTEST_SKIP() << "not possible here (running as root, or stand-in tools not built)";
  const std::size_t callsBefore = tools->calls().size();
  auto result = start(*args).wait();

  EXPECT_EQ(result.status, row.status) << result.err;
  EXPECT_NE(result.err.find(row.says), std::string::npos) << result.err;
  EXPECT_GT(result.peakMiB, 0);
  EXPECT_LT(result.peakMiB, peakLimitMiB);
  switch (row.disk) {
    case HostileRow::nothingWritten:
      EXPECT_TRUE(fs::is_empty(out)) << testing::PrintToString(entriesOf(out));
      EXPECT_FALSE(fs::exists(root / "escaped.app"));
      EXPECT_EQ(tools->calls().size(), callsBefore) << "no tool may run";
      break;
    case HostileRow::oldAppIntact:
      EXPECT_EQ(snapshot(out / "Site.app"), oldApp);
      EXPECT_EQ(entriesOf(out), std::vector<std::string>{"Site.app"}) << "nothing of the new build stays";
      break;
    case HostileRow::newAppBuilt:
      EXPECT_TRUE(fs::exists(out / "App.app/Contents/Resources/app.plist"));
      EXPECT_EQ(entriesOf(out), std::vector<std::string>{"App.app"});
      break;
  }
}

using Args = std::optional<std::vector<std::string>>;
using Disk = HostileRow::Disk;

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileInput,
    testing::Values(
        // Names and options refused before anything is touched.
        HostileRow{"NameLeavingTheFolder", [](HostileInput& t) -> Args { return t.urlBuild({}, "../escaped"); }, 2,
                   "outside the chosen folder", Disk::nothingWritten},
        HostileRow{"NameDotDot", [](HostileInput& t) -> Args { return t.urlBuild({}, ".."); }, 2, "\u201C..\u201D",
                   Disk::nothingWritten},
        HostileRow{"NameInAMissingSubFolder", [](HostileInput& t) -> Args { return t.urlBuild({}, "nosuch/x"); }, 2,
                   "out/nosuch", Disk::nothingWritten},
        HostileRow{"EmptyName", [](HostileInput& t) -> Args { return t.urlBuild({}, ""); }, 2, "name",
                   Disk::nothingWritten},
        HostileRow{"MissingSiteFolder",
                   [](HostileInput& t) -> Args { return Args({"build", "--folder", "nowhere", "--name", "A", "--out", t.out}); },
                   2, "nowhere", Disk::nothingWritten},
        HostileRow{"MissingOutputFolder",
                   [](HostileInput& t) -> Args { return Args({"build", "--url", "a.org", "--name", "A", "--out", t.out / "none"}); },
                   2, "out/none", Disk::nothingWritten},
        HostileRow{"ColourByName", [](HostileInput& t) -> Args { return t.urlBuild({"--color", "red"}); }, 2, "red",
                   Disk::nothingWritten},
        HostileRow{"UsageErrors",
                   [](HostileInput& t) -> Args {
                     // Each of these is a usage error: exit 2 and nothing written, checked here for the last.
                     for (auto extra : {"--bogus", "--folder", "--notary-profile"}) {
                       EXPECT_EQ(t.run(t.urlBuild({extra, "x"})).status, 2) << extra;
                     }
                     return Args({"build", "--folder", "x", "--name", "A", "--fetch-icon"});
                   },
                   2, "--fetch-icon", Disk::nothingWritten},
        // Pictures: bounded memory, a clear refusal for what is no picture file.
        HostileRow{"IconDevZero", [](HostileInput& t) -> Args { return t.urlBuild({"--icon", "/dev/zero"}); }, 2,
                   "/dev/zero", Disk::nothingWritten},
        HostileRow{"IconNamedPipe",
                   [](HostileInput& t) -> Args {
                     ::mkfifo((t.root / "pipe.png").c_str(), 0600);
                     return t.urlBuild({"--icon", t.root / "pipe.png"});
                   },
                   2, "pipe.png", Disk::nothingWritten},
        HostileRow{"IconNotAPicture",
                   [](HostileInput& t) -> Args {
                     writeFile(t.root / "broken.png", "not a picture");
                     return t.urlBuild({"--icon", t.root / "broken.png"});
                   },
                   2, "broken.png", Disk::nothingWritten},
        HostileRow{"IconSvgDeclaring32000",
                   [](HostileInput& t) -> Args {
                     writeFile(t.root / "huge.svg", testing_support::svgOfSize(32000, 32000));
                     return t.urlBuild({"--icon", t.root / "huge.svg"});
                   },
                   0, "", Disk::newAppBuilt},
        HostileRow{"FetchedPng8000Rgba",
                   [](HostileInput& t) -> Args {
                     std::string row;
                     for (int x = 0; x < 8000; ++x) row += "\x10\x20\x30\xff";
                     return t.fetchBuild(testing_support::pngBytes(8000, 8000, 6, row));
                   },
                   0, "", Disk::newAppBuilt},
        // Settings files: never a crash or a hang; the build goes on with the defaults.
        HostileRow{"SettingsNested200000Deep",
                   [](HostileInput& t) -> Args {
                     std::string deep = "<plist><dict><key>signing.useDeveloperID</key>";
                     for (int i = 0; i < 200000; ++i) deep += "<array>";
                     writeFile(t.home / "config/co.corvan.nimbrel/defaults.plist", deep);
                     return t.urlBuild();
                   },
                   0, "", Disk::newAppBuilt},
        HostileRow{"SettingsFileIsANamedPipe",
                   [](HostileInput& t) -> Args {
                     fs::create_directories(t.home / "config/co.corvan.nimbrel");
                     ::mkfifo((t.home / "config/co.corvan.nimbrel/defaults.plist").c_str(), 0600);
                     return t.urlBuild();
                   },
                   0, "", Disk::newAppBuilt},
        // Sites that cannot be copied or sealed: the app already there stays exactly as it was.
        HostileRow{"SiteWithANamedPipe",
                   [](HostileInput& t) -> Args {
                     t.buildOldApp();
                     ::mkfifo((t.site / "pipe").c_str(), 0600);
                     return t.replaceSite();
                   },
                   1, "is a named pipe", Disk::oldAppIntact},
        HostileRow{"SiteWithAnUnreadableFile",
                   [](HostileInput& t) -> Args {
                     if (::geteuid() == 0) return std::nullopt;  // root reads it anyway
                     t.buildOldApp();
                     writeFile(t.site / "secret.txt", "x");
                     fs::permissions(t.site / "secret.txt", fs::perms::none);
                     return t.replaceSite();
                   },
                   1, "Permission denied", Disk::oldAppIntact},
        HostileRow{"SiteWithANameThatIsNotUtf8",
                   [](HostileInput& t) -> Args {
                     if (!t.useStandInTools()) return std::nullopt;
                     t.buildOldApp();
                     writeFile(t.site / "bad\xffname.txt", "x");
                     return t.replaceSite();
                   },
                   1, "Signing failed: codesign: cannot seal a file whose name is not UTF-8: "
                      "Contents/Resources/Site/bad\uFFFDname.txt",
                   Disk::oldAppIntact}),
    [](const auto& info) { return info.param.name; });

// Killed while copying a large site: the old app stays whole and the
// half-made new one goes. The signer stalls here, so the kill
// lands before any swap, however fast the copy is.
TEST_F(HostileInput, TerminatedDuringALargeCopyKeepsTheOldApp) {
  buildOldApp();
  for (int i = 0; i < 400; ++i) writeFile(site / "assets" / ("f" + std::to_string(i)), std::string(100 * 1024, 'x'));
  writeFile(tools->folder() / "codesign", "#!/bin/sh\nexec sleep 5\n");
  auto build = start(replaceSite());
  while (build.errorOutputSoFar().find("Bundling website files\u2026") == std::string::npos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(build.pid(), SIGTERM);
  auto result = build.wait();
  EXPECT_EQ(result.status, 128 + SIGTERM);
  EXPECT_EQ(snapshot(out / "Site.app"), oldApp);
  EXPECT_EQ(entriesOf(out), std::vector<std::string>{"Site.app"});
}

// Four builds of one app at once: each success names a complete app, one
// app stays, and no build leaves anything of its own behind.
TEST_F(HostileInput, ConcurrentBuildsOfOneAppEachEndWithACompleteApp) {
  std::vector<testing_support::ChildProcess> builds;
  for (int i = 0; i < 4; ++i) builds.push_back(start(urlBuild({"--replace"})));
  for (auto& build : builds) {
    auto result = build.wait();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, (out / "App.app").string() + "\n");
  }
  EXPECT_EQ(entriesOf(out), std::vector<std::string>{"App.app"});
  EXPECT_TRUE(fs::exists(out / "App.app/Contents/Resources/app.plist"));
  EXPECT_TRUE(fs::exists(out / "App.app/Contents/MacOS/App"));
}

}  // namespace
