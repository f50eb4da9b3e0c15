// msp_tool's command line as a value: the command, its inputs in order and
// its options, parsed by one table that also gives the usage text.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace msptool {

enum class Command { Create, Author, Check, Describe, Stamp, Diff, Transform };

struct CommandLine {
  Command command = Command::Check;
  std::vector<std::string> inputs;             // the arguments that are no option, in order
  std::map<std::string, std::string> options;  // given options: a flag's value is ""
  std::vector<std::string> rest;               // what follows an option that takes the rest

  bool Has(const std::string& option) const { return options.count(option) != 0; }
  // The value of `option`, or `fallback` when it is not given.
  std::string Value(const std::string& option, const std::string& fallback = {}) const;
  // --time-limit's seconds (checked by the parser), or `fallback`.
  unsigned TimeLimit(unsigned fallback) const;
};

// False, with `error` saying what is wrong, for an unknown command or
// option, an option without its value (or --time-limit without whole
// seconds), or too few or too many inputs: the
// caller prints the usage and exits 2.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// Every command's synopsis, one after another.
std::string UsageText();

}  // namespace msptool
