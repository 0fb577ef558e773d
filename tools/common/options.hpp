#pragma once
// Command-line options in the usual form: "-f", grouped "-cr", "-o VALUE",
// "-oVALUE", "--name VALUE", "--name=VALUE"; "--" ends the options. Options and
// operands may come in any order.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

enum class OptionValue { none, required, optional };

struct OptionRule {
  char shortName;             // '\0' when the option has no short form
  std::string_view longName;  // empty when it has no long form
  OptionValue value = OptionValue::none;
};

struct ParsedOption {
  // The long name when the option has one, else its short letter.
  std::string name;
  std::string value;
  bool hasValue = false;
};

struct ParsedArguments {
  std::vector<ParsedOption> options;
  std::vector<std::string> operands;

  bool has(std::string_view name) const;
  // Value of the last occurrence; empty when absent.
  std::string last(std::string_view name) const;
};

// Throws UsageError for an unknown option or a missing value. An optional
// value is only taken in the attached form ("--name=VALUE").
ParsedArguments parseArguments(std::span<const std::string> args, std::span<const OptionRule> specs);

}  // namespace tools
