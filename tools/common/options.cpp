#include "tools/common/options.hpp"

#include "tools/common/tool_main.hpp"

namespace tools {
namespace {

std::string nameOf(const OptionRule& rule) {
  return rule.longName.empty() ? std::string(1, rule.shortName) : std::string(rule.longName);
}

}  // namespace

bool ParsedArguments::has(std::string_view name) const {
  for (const auto& option : options)
    if (option.name == name) return true;
  return false;
}

std::string ParsedArguments::last(std::string_view name) const {
  std::string value;
  for (const auto& option : options)
    if (option.name == name) value = option.value;
  return value;
}

ParsedArguments parseArguments(std::span<const std::string> args, std::span<const OptionRule> specs) {
  ParsedArguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      parsed.operands.insert(parsed.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (arg.size() > 2 && arg.starts_with("--")) {
      std::string_view body = std::string_view(arg).substr(2);
      std::size_t eq = body.find('=');
      std::string_view name = body.substr(0, eq);
      const OptionRule* rule = nullptr;
      for (const auto& s : specs)
        if (!s.longName.empty() && s.longName == name) rule = &s;
      if (!rule) throw UsageError("unknown option --" + std::string(name));
      ParsedOption option{nameOf(*rule), {}, false};
      if (eq != std::string_view::npos) {
        if (rule->value == OptionValue::none) throw UsageError("option --" + std::string(name) + " takes no value");
        option.value = std::string(body.substr(eq + 1));
        option.hasValue = true;
      } else if (rule->value == OptionValue::required) {
        if (i + 1 >= args.size()) throw UsageError("option --" + std::string(name) + " needs a value");
        option.value = args[++i];
        option.hasValue = true;
      }
      parsed.options.push_back(std::move(option));
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      for (std::size_t k = 1; k < arg.size(); ++k) {
        const OptionRule* rule = nullptr;
        for (const auto& s : specs)
          if (s.shortName != '\0' && s.shortName == arg[k]) rule = &s;
        if (!rule) throw UsageError(std::string("unknown option -") + arg[k]);
        ParsedOption option{nameOf(*rule), {}, false};
        if (rule->value == OptionValue::required) {
          if (k + 1 < arg.size()) {
            option.value = arg.substr(k + 1);
          } else if (i + 1 < args.size()) {
            option.value = args[++i];
          } else {
            throw UsageError(std::string("option -") + arg[k] + " needs a value");
          }
          option.hasValue = true;
          parsed.options.push_back(std::move(option));
          break;
        }
        parsed.options.push_back(std::move(option));
      }
      continue;
    }
    parsed.operands.push_back(arg);
  }
  return parsed;
}

}  // namespace tools
