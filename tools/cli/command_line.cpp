#include "cli/command_line.h"

#include <cstddef>

#include "base/error.h"
#include "base/text.h"

namespace msptool {
namespace {

struct OptionRule {
  const char* name;
  enum class Takes { Nothing, Value, Seconds, Rest } takes;
  const char* synopsis;  // as the usage shows it
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

struct CommandRule {
  const char* name;
  Command command;
  const char* inputs;  // as the usage shows them
  std::size_t fewest, most;
  bool pairsAfterFirst;  // OUT, then BASELINE UPGRADED pairs
  std::vector<OptionRule> options;
};

using Takes = OptionRule::Takes;

// Every command that reads an outside package reads it in a child process
// with a time limit (crash_guard.h).
const OptionRule kTimeLimit{"--time-limit", Takes::Seconds, "[--time-limit SECONDS]"};
// A week: alarm() takes it, and no package takes longer.
constexpr unsigned long kMostSeconds = 7 * 24 * 3600;

// A whole number of seconds from 1 to kMostSeconds.
bool IsSeconds(const std::string& text) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long n = std::stoul(text);
  return n >= 1 && n <= kMostSeconds;
}

const std::vector<CommandRule>& Rules() {
  static const std::vector<CommandRule> rules = {
      {"create",
       Command::Create,
       "OUT.msp BASELINE UPGRADED [BASELINE UPGRADED]...",
       3,
       kAny,
       true,
       {{"--patch-code", Takes::Value, "[--patch-code GUID]"},
        {"--title", Takes::Value, "[--title TEXT]"},
        {"--not-removable", Takes::Nothing, "[--not-removable]"},
        {"--delta", Takes::Nothing, "[--delta | --delta=all]"},
        {"--delta=all", Takes::Nothing, ""},
        kTimeLimit}},
      {"author", Command::Author, "DEFINITION OUT.msp", 2, 2, false, {kTimeLimit}},
      {"check",
       Command::Check,
       "PACKAGE [DESCRIPTOR...]",
       1,
       kAny,
       false,
       {{"--authored", Takes::Nothing, "[--authored]"},
        kTimeLimit,
        {"--baselines", Takes::Rest, "[--baselines MSI...]"}}},
      {"describe", Command::Describe, "PACKAGE TEMPLATE OUT [N]", 3, 4, false, {kTimeLimit}},
      {"stamp", Command::Stamp, "PACKAGE OUT VERSION-RULE", 3, 3, false, {kTimeLimit}},
      {"diff", Command::Diff, "BEFORE.msi AFTER.msi", 2, 2, false, {kTimeLimit}},
      {"transform", Command::Transform, "BEFORE.msi AFTER.msi OUT.mst", 3, 3, false, {kTimeLimit}},
  };
  return rules;
}

}  // namespace

std::string CommandLine::Value(const std::string& option, const std::string& fallback) const {
  const auto found = options.find(option);
  return found == options.end() ? fallback : found->second;
}

unsigned CommandLine::TimeLimit(unsigned fallback) const {
  return Has("--time-limit") ? static_cast<unsigned>(std::stoul(Value("--time-limit"))) : fallback;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
  out = {};
  if (args.empty()) return Refuse(error, "no command");
  const CommandRule* rule = nullptr;
  for (const auto& r : Rules())
    if (args[0] == r.name) rule = &r;
  if (!rule) return Refuse(error, "unknown command \"" + args[0] + "\"");
  out.command = rule->command;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      out.inputs.push_back(arg);
      continue;
    }
    const OptionRule* option = nullptr;
    for (const auto& o : rule->options)
      if (arg == o.name) option = &o;
    if (!option) return Refuse(error, std::string(rule->name) + " has no option " + arg);
    if (option->takes == Takes::Rest) {
      out.options[arg];
      out.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    const bool takesValue = option->takes == Takes::Value || option->takes == Takes::Seconds;
    if (takesValue && i + 1 == args.size()) return Refuse(error, arg + " needs a value");
    if (option->takes == Takes::Seconds && !IsSeconds(args[i + 1]))
      return Refuse(error, arg + " takes whole seconds from 1 to " + std::to_string(kMostSeconds) +
                               ", not " + Quoted(args[i + 1]));
    out.options[arg] = takesValue ? args[++i] : "";
  }
  const std::size_t n = out.inputs.size();
  if (n < rule->fewest || n > rule->most || (rule->pairsAfterFirst && n % 2 == 0))
    return Refuse(error, std::string(rule->name) + " takes " + rule->inputs);
  return true;
}

std::string UsageText() {
  std::string text;
  for (const auto& rule : Rules()) {
    std::string line = std::string(text.empty() ? "usage: " : "       ") + "msp_tool " + rule.name +
                       " " + rule.inputs;
    for (const auto& option : rule.options) {
      if (!*option.synopsis) continue;  // shown with the option it is a form of
      // Options that would pass 80 columns go on a line of their own.
      const std::size_t lineStart = line.find_last_of('\n') + 1;  // 0 on the first line
      if (line.size() - lineStart + 1 + std::string(option.synopsis).size() > 80)
        line += "\n" + std::string(16, ' ') + option.synopsis;
      else
        line += std::string(" ") + option.synopsis;
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace msptool
