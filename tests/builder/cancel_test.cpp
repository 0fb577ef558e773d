// Stopping a build through its cancellable: the old app stays exactly as it
// was, nothing of the new one is left, and the build ends promptly as failed.

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <system_error>

#include "builder/build_fixture.hpp"
#include "builder/subprocess.hpp"
#include "platform/gobject_ptr.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

class Cancel : public testing_support::BuildFixture {
 protected:
  // Cancels once `due` holds (asked every few milliseconds), expects the build
  // to end as stopped within `seconds`, and the old app and nothing else in `out`.
  void expectStoppedCleanly(const std::function<bool()>& due, double seconds) {
    writeFile(out / "Docs.app" / "marker", "old");
    writeFile(site / "index.html", "<h1>hi</h1>");
    auto cancellable = platform::adoptGRef(g_cancellable_new());
    std::optional<builder::BuildResult> result;
    folderRequest(site).generate(
        out, environment(), [](const std::string&) {}, [&](const builder::BuildResult& r) { result = r; },
        cancellable.get());
    const guint ticker = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    platform::runMainLoopUntil([&] { return result.has_value() || due(); });
    const auto cancelledAt = std::chrono::steady_clock::now();
    g_cancellable_cancel(cancellable.get());
    platform::runMainLoopUntil([&] { return result.has_value(); });
    g_source_remove(ticker);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - cancelledAt).count(), seconds);
    ASSERT_FALSE(result->succeeded());
    EXPECT_THAT([&] { std::rethrow_exception(result->error); },
                testing::Throws<std::system_error>(testing::Property(
                    &std::system_error::code, std::make_error_code(std::errc::operation_canceled))));
    std::vector<fs::path> left(fs::recursive_directory_iterator(out), {});
    EXPECT_EQ(left, (std::vector<fs::path>{out / "Docs.app", out / "Docs.app" / "marker"}));
    EXPECT_EQ(readFile(out / "Docs.app" / "marker"), "old");
  }

  fs::path site = root / "site";
};

TEST_F(Cancel, LargeSiteStopsInsideTheCopyOfABigFile) {
  // A gigabyte (sparse) takes seconds to copy; the cancel must not wait for it.
  writeFile(site / "video.bin", "");
  ASSERT_EQ(::truncate((site / "video.bin").c_str(), off_t(1) << 30), 0);
  expectStoppedCleanly([this] {
    std::error_code ec;
    for (const auto& room : fs::directory_iterator(out, ec)) {
      auto copied = fs::file_size(room.path() / "Docs.app/Contents/Resources/Site/video.bin", ec);
      if (!ec && copied > 0) return true;
    }
    return false;
  }, 1.0);
}

TEST_F(Cancel, SigningToolThatIgnoresTerminationIsKilledWithWhatItStartedAndReaped) {
  const fs::path pids = tools->folder() / "pids";
  writeFile(tools->folder() / "codesign",
            "#!/bin/sh\ntrap '' TERM\nsleep 30 &\necho \"$$ $!\" > '" + pids.string() + "'\nwait\n");
  ::chmod((tools->folder() / "codesign").c_str(), 0755);
  expectStoppedCleanly([&] { return !readFile(pids).empty(); },
                       std::chrono::duration<double>(builder::toolKillGrace).count() + 1.5);
  pid_t tool = 0, child = 0;
  std::istringstream(readFile(pids)) >> tool >> child;
  EXPECT_EQ(::kill(tool, 0), -1);  // reaped, not a zombie
  // A zombie of the child is left to an init that may not reap.
  const std::string stat = readFile("/proc/" + std::to_string(child) + "/stat");
  EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << stat;
}

}  // namespace
