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

TEST(Subprocess, DrainsSeveralMebibytesOnBothStreams) {
  // Each stream alone is far beyond a pipe's buffer: reading one while the
  // other fills would deadlock.
  auto result = runAndWait({"/bin/sh", "-c",
                            "head -c 3000000 /dev/zero | tr '\\0' e >&2; head -c 5000000 /dev/zero | tr '\\0' o; "
                            "head -c 1000000 /dev/zero | tr '\\0' e >&2"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.size(), 5000000u);
  EXPECT_EQ(result.err.size(), 4000000u);
  EXPECT_EQ(result.out.find_first_not_of('o'), std::string::npos);
  EXPECT_EQ(result.err.find_first_not_of('e'), std::string::npos);
}

TEST(Subprocess, ExitStatusSignalsAndSilence) {
  auto silent = runAndWait({"/bin/true"});
  EXPECT_EQ(silent.status, 0);
  EXPECT_EQ(silent.out + silent.err, "");
  EXPECT_EQ(runAndWait({"/bin/sh", "-c", "exit 7"}).status, 7);
  // Started from a thread that blocks SIGTERM, as worker threads may: the tool must still die of it.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  const int status = runAndWait({"/bin/sh", "-c", "kill -TERM $$; exit 0"}).status;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  EXPECT_EQ(status, 128 + 15);
}

TEST(Subprocess, ArgumentsArePassedVerbatimWithoutAShell) {
  auto result = runAndWait({"/usr/bin/printf", "%s|", "two words", "*", "$HOME", "", "a\"b'c", "; rm -rf /"});
  EXPECT_EQ(result.out, "two words|*|$HOME||a\"b'c|; rm -rf /|");
}

TEST(Subprocess, OutputWrittenAfterTheToolExitedStillArrives) {
  // The tool ends at once; a child it leaves behind holds standard error open
  // and writes later. The completion must wait for end of file.
  auto result = runAndWait({"/bin/sh", "-c", "(sleep 0.3; echo late >&2) & echo early"});
  EXPECT_EQ(result.out, "early\n");
  EXPECT_EQ(result.err, "late\n");
}

TEST(Subprocess, MissingOrUnrunnableToolThrowsAndTheGroupDoesNotBlock) {
  using testing::HasSubstr;
  testing_support::TempDir dir;
  testing_support::writeFile(dir / "not-executable", "#!/bin/sh\n");
  for (const std::string& path : {(dir / "missing").string(), (dir / "not-executable").string()}) {
    auto tool = Subprocess::create({path, "x"});
    std::atomic<bool> called{false};
    EXPECT_THAT([&] { tool->run([&](Subprocess&, std::string, std::string) { called = true; }); },
                testing::ThrowsMessage<std::system_error>(HasSubstr(path)));
    tool->group().wait();  // must return at once
    EXPECT_FALSE(called);
  }
  EXPECT_THAT([&] { runAndWait({(dir / "missing").string()}); },
              testing::ThrowsMessage<std::system_error>(HasSubstr("No such file or directory")));
}

TEST(Subprocess, GroupWaitReturnsOnlyAfterTheCompletionReturned) {
  auto tool = Subprocess::create({"/bin/echo", "hi"});
  std::atomic<bool> finished{false};
  tool->run([&](Subprocess& s, std::string out, std::string) {
    EXPECT_EQ(s.terminationStatus(), 0);
    EXPECT_EQ(out, "hi\n");
    usleep(100000);
    finished = true;
  });
  tool->group().wait();
  EXPECT_TRUE(finished);
}

TEST(Subprocess, ToolSeesOnlyTheStandardDescriptors) {
  // A descriptor this process opened without close-on-exec must not leak in.
  int leaky = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  auto result = runAndWait({"/bin/sh", "-c", "ls /proc/$$/fd"});
  ::close(leaky);
  EXPECT_EQ(result.out, "0\n1\n2\n");
}

}  // namespace
