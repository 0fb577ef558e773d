#include "tools/common/options.hpp"

#include <gtest/gtest.h>

#include "tools/common/tool_main.hpp"

namespace {

using tools::OptionValue;

const tools::OptionSpec kSpecs[] = {
    {'f', "force"},
    {'s', "sign", OptionValue::required},
    {'\0', "timestamp", OptionValue::optional},
    {'c', {}},
    {'r', {}},
};

tools::ParsedArguments parse(std::vector<std::string> args) {
  return tools::parseArguments(args, kSpecs);
}

TEST(Options, ValuesInEveryForm) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--sign", "-", "APP"}, {"--sign=-", "APP"}, {"-s", "-", "APP"}, {"-s-", "APP"}, {"-fs", "-", "APP"}}) {
    auto parsed = parse(args);
    EXPECT_EQ(parsed.last("sign"), "-") << args[0];
    EXPECT_EQ(parsed.operands, std::vector<std::string>{"APP"}) << args[0];
  }
}

TEST(Options, AnyOrderAndGroupedFlags) {
  auto parsed = parse({"APP", "-rc", "--force", "OTHER"});
  EXPECT_TRUE(parsed.has("c"));
  EXPECT_TRUE(parsed.has("r"));
  EXPECT_TRUE(parsed.has("force"));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"APP", "OTHER"}));
}

TEST(Options, OptionalValueIsOnlyTakenAttached) {
  auto parsed = parse({"--timestamp", "APP"});
  EXPECT_TRUE(parsed.has("timestamp"));
  EXPECT_EQ(parsed.operands, std::vector<std::string>{"APP"});
  EXPECT_EQ(parse({"--timestamp=none"}).last("timestamp"), "none");
}

TEST(Options, DoubleDashEndsOptions) {
  auto parsed = parse({"-c", "--", "-r", "--force"});
  EXPECT_FALSE(parsed.has("r"));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"-r", "--force"}));
}

TEST(Options, MistakesAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--frobnicate"}, {"-x"}, {"-cx"}, {"--sign"}, {"-s"}, {"--force=yes"}}) {
    EXPECT_THROW(parse(args), tools::UsageError) << args[0];
  }
}

}  // namespace
