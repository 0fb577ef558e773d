#include "builder/subprocess.hpp"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "support/temp_dir.hpp"

namespace {

using builder::runAndWait;
using builder::Subprocess;

// Each stream alone is far beyond a pipe's buffer: reading one while the other fills would deadlock.
TEST(Subprocess, DrainsSeveralMebibytesOnBothStreams) {
  auto result = runAndWait({"/bin/sh", "-c",
                            "head -c 3000000 /dev/zero | tr '\\0' e >&2; head -c 5000000 /dev/zero | tr '\\0' o; "
                            "head -c 1000000 /dev/zero | tr '\\0' e >&2; exit 7"});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.out, std::string(5000000, 'o'));
  EXPECT_EQ(result.err, std::string(4000000, 'e'));
}

// Started from a thread that blocks SIGTERM, as worker threads may: the tool must still die of it.
TEST(Subprocess, ToolDiesOfASignalItsStarterBlocks) {
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  const int status = runAndWait({"/bin/sh", "-c", "kill -TERM $$; exit 0"}).status;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  EXPECT_EQ(status, 128 + 15);
}

// A child the tool leaves behind holds standard error open and writes later: the completion waits for end of file.
TEST(Subprocess, OutputWrittenAfterTheToolExitedStillArrives) {
  auto result = runAndWait({"/bin/sh", "-c", "(sleep 0.3; echo late >&2) & echo early"});
  EXPECT_EQ(result.out, "early\n");
  EXPECT_EQ(result.err, "late\n");
}

TEST(Subprocess, MissingOrUnrunnableToolThrowsAndTheGroupDoesNotBlock) {
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "not-executable", "#!/bin/sh\n");
  for (const std::string& path : {(dir / "missing").string(), (dir / "not-executable").string()}) {
    auto tool = Subprocess::create({path, "x"});
    std::atomic<bool> called{false};
    EXPECT_THAT([&] { tool->run([&](Subprocess&, std::string, std::string) { called = true; }); },
                testing::ThrowsMessage<std::system_error>(testing::HasSubstr(path)));
    tool->group().wait();  // must return at once
    EXPECT_FALSE(called);
  }
}

// A descriptor this process opened without close-on-exec must not leak in.
TEST(Subprocess, ToolSeesOnlyTheStandardDescriptors) {
  int leaky = ::open("/dev/null", O_RDONLY);
  auto result = runAndWait({"/bin/sh", "-c", "ls /proc/$$/fd"});
  ::close(leaky);
  EXPECT_EQ(result.out, "0\n1\n2\n");
}

}  // namespace
