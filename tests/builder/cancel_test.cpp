// Stopping a build through its cancellable: the old app stays exactly as it
// was, nothing of the new one is left, and the build ends promptly as failed.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <system_error>

#include "builder/build_fixture.hpp"
#include "builder/subprocess.hpp"
#include "platform/gobject_ptr.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing_support::readFile;
using testing_support::writeFile;

struct Stopped {
  std::optional<builder::BuildResult> result;
  double secondsAfterCancel = -1;
};

class Cancel : public testing_support::BuildFixture {
 protected:
  void SetUp() override {
    BuildFixture::SetUp();
    writeFile(out / "Docs.app" / "Contents" / "marker", "old");
    writeFile(site / "index.html", "<h1>hi</h1>");
  }

  // Cancels once `due` holds, asked after every progress text and every few milliseconds.
  Stopped buildAndCancel(const builder::AppGenerator& request, const std::function<bool(const std::string&)>& due) {
    auto cancellable = platform::adoptGRef(g_cancellable_new());
    Stopped stopped;
    std::optional<Clock::time_point> cancelledAt;
    std::string lastText;
    auto check = [&] {
      if (cancelledAt || !due(lastText)) return;
      cancelledAt = Clock::now();
      g_cancellable_cancel(cancellable.get());
    };
    request.generate(
        out, environment(),
        [&](const std::string& text) {
          lastText = text;
          check();
        },
        [&](const builder::BuildResult& result) { stopped.result = result; }, cancellable.get());
    const guint ticker = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    platform::runMainLoopUntil([&] {
      check();
      return stopped.result.has_value();
    });
    g_source_remove(ticker);
    if (cancelledAt) stopped.secondsAfterCancel = std::chrono::duration<double>(Clock::now() - *cancelledAt).count();
    return stopped;
  }

  void expectStoppedCleanly(const Stopped& stopped, double withinSeconds) {
    ASSERT_TRUE(stopped.result);
    EXPECT_FALSE(stopped.result->succeeded());
    try {
      std::rethrow_exception(stopped.result->error);
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().value(), ECANCELED) << e.what();
    } catch (...) {
      ADD_FAILURE() << "not stopped but failed: " << stopped.result->errorDescription();
    }
    EXPECT_GE(stopped.secondsAfterCancel, 0);
    EXPECT_LT(stopped.secondsAfterCancel, withinSeconds);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(out)) left.push_back(fs::relative(entry.path(), out));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Docs.app", "Docs.app/Contents", "Docs.app/Contents/marker"}));
    EXPECT_EQ(readFile(out / "Docs.app" / "Contents" / "marker"), "old");
  }

  fs::path site = root / "site";
};

TEST_F(Cancel, LargeSiteStopsMidCopy) {
  // A gigabyte of (sparse) file takes seconds to copy; the cancel must not wait for it.
  writeFile(site / "video.bin", "");
  ASSERT_EQ(::truncate((site / "video.bin").c_str(), off_t(1) << 30), 0);
  auto stopped = buildAndCancel(folderRequest(site), [this](const std::string&) {
    std::error_code ec;
    for (const auto& room : fs::directory_iterator(out, ec)) {
      auto copied = fs::file_size(room.path() / "Docs.app/Contents/Resources/Site/video.bin", ec);
      if (!ec && copied > 0) return true;
    }
    return false;
  });
  expectStoppedCleanly(stopped, 1.0);
}

TEST_F(Cancel, SigningToolThatIgnoresTerminationIsKilledAndReaped) {
  const fs::path pids = tools->folder() / "pids";
  writeFile(tools->folder() / "codesign",
            "#!/bin/sh\ntrap '' TERM\nsleep 30 &\necho \"$$ $!\" > '" + pids.string() + "'\nwait\n");
  ::chmod((tools->folder() / "codesign").c_str(), 0755);
  auto stopped = buildAndCancel(folderRequest(site), [&](const std::string&) { return !readFile(pids).empty(); });
  const double grace = std::chrono::duration<double>(builder::toolKillGrace).count();
  expectStoppedCleanly(stopped, grace + 1.5);
  pid_t tool = 0, child = 0;
  std::istringstream(readFile(pids)) >> tool >> child;
  EXPECT_EQ(::kill(tool, 0), -1);  // killed and reaped, not a zombie
  // What the tool started is gone too (or a zombie left to an init that does not reap).
  const std::string stat = readFile("/proc/" + std::to_string(child) + "/stat");
  EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << stat;
}

}  // namespace
