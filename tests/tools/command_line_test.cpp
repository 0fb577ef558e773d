// Every tool refuses command lines it does not understand with exit status 2 and its usage.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/fixtures.hpp"

namespace {

TEST(Tools, RefuseWhatTheyCannotDoWithTheReason) {
  const std::tuple<const char*, std::vector<std::string>, int, const char*> rows[] = {
      {NIMBREL_TOOL_ICONUTIL, {"-c", "iconset", "x.icns"}, 2, "usage: "},
      {NIMBREL_TOOL_XATTR, {"-l", "/tmp"}, 2, "usage: "},
      {NIMBREL_TOOL_CODESIGN, {"--options", "runtime,bogus", "-s", "-", "x"}, 2, "usage: "},
      {NIMBREL_TOOL_DITTO, {"-x", "-k", "a.zip", "b"}, 2, "usage: "},
      {NIMBREL_TOOL_XCRUN, {"altool", "--upload-app"}, 2, "usage: "},
      {NIMBREL_TOOL_LSREGISTER, {"-f", "-u", "x"}, 2, "usage: "},
      {NIMBREL_TOOL_XCRUN, {"stapler", "staple", "a.app"}, 1, "only on macOS"},
  };
  for (const auto& [tool, args, status, says] : rows) {
    auto result = tools_test::run(tool, args);
    EXPECT_EQ(result.exitStatus, status) << tool << " " << args[0] << ": " << result.standardError;
    EXPECT_THAT(result.standardError, testing::HasSubstr(says));
  }
}

}  // namespace
