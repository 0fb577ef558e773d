// Every tool refuses command lines it does not understand with exit status 2
// and its usage, and never half-does the work.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/tool_process.hpp"

using ::testing::HasSubstr;

namespace {

struct CommandLine {
  const char* name;
  const char* tool;
  std::vector<std::string> args;
};

class UsageErrors : public testing::TestWithParam<CommandLine> {};

TEST_P(UsageErrors, ExitTwoWithUsage) {
  auto result = tools_test::run(GetParam().tool, GetParam().args);
  EXPECT_EQ(result.exitStatus, 2) << result.standardError;
  EXPECT_THAT(result.standardError, HasSubstr("usage: "));
}

INSTANTIATE_TEST_SUITE_P(
    Tools, UsageErrors,
    testing::Values(CommandLine{"IconutilOtherFormat", NIMBREL_TOOL_ICONUTIL, {"-c", "iconset", "x.icns"}},
                    CommandLine{"XattrOtherMode", NIMBREL_TOOL_XATTR, {"-l", "/tmp"}},
                    CommandLine{"CodesignUnknownOption", NIMBREL_TOOL_CODESIGN, {"--frobnicate", "--sign", "-", "x"}},
                    CommandLine{
                        "CodesignUnknownFlag", NIMBREL_TOOL_CODESIGN, {"--options", "runtime,bogus", "-s", "-", "x"}},
                    CommandLine{"DittoExtract", NIMBREL_TOOL_DITTO, {"-x", "-k", "a.zip", "b"}},
                    CommandLine{"XcrunOtherTool", NIMBREL_TOOL_XCRUN, {"altool", "--upload-app"}},
                    CommandLine{"LsregisterBoth", NIMBREL_TOOL_LSREGISTER, {"-f", "-u", "x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Xcrun, NotarizationToolsFailWithTheReasonOnStandardError) {
  for (const auto& args :
       {std::vector<std::string>{"notarytool", "submit", "a.zip", "--keychain-profile", "p", "--wait"},
        std::vector<std::string>{"stapler", "staple", "a.app"}}) {
    auto result = tools_test::run(NIMBREL_TOOL_XCRUN, args);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_THAT(result.standardError, HasSubstr("only on macOS"));
  }
}

}  // namespace
