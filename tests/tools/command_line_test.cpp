// msp_tool's command line: each command's inputs and options become one
// value; anything else is refused with a reason, for the usage and exit 2.
#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace msptool {
namespace {

struct Case {
  const char* name;
  std::vector<std::string> args;
  bool parses;
  Command command = Command::Check;
  std::vector<std::string> inputs = {};
  std::map<std::string, std::string> options = {};
  std::vector<std::string> rest = {};
  const char* refusal = "";  // part of the reason given
};

class CommandLineTest : public testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, ParsesOrRefuses) {
  const Case& c = GetParam();
  CommandLine line;
  std::string error;
  ASSERT_EQ(ParseCommandLine(c.args, line, error), c.parses) << error;
  if (!c.parses) {
    EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
    return;
  }
  EXPECT_EQ(line.command, c.command);
  EXPECT_EQ(line.inputs, c.inputs);
  EXPECT_EQ(line.options, c.options);
  EXPECT_EQ(line.rest, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandLineTest,
    testing::Values(
        Case{"create_one_pair",
             {"create", "o.msp", "b.msi", "u.msi"},
             true,
             Command::Create,
             {"o.msp", "b.msi", "u.msi"}},
        Case{"create_options_anywhere",
             {"create", "--title", "--odd title", "o.msp", "b.msi", "u.msi", "--not-removable",
              "--patch-code", "{X}", "b2.msi", "u2.msi"},
             true,
             Command::Create,
             {"o.msp", "b.msi", "u.msi", "b2.msi", "u2.msi"},
             {{"--title", "--odd title"}, {"--not-removable", ""}, {"--patch-code", "{X}"}}},
        Case{"create_half_a_pair",
             {"create", "o.msp", "b.msi", "u.msi", "b2.msi"},
             false,
             Command::Create,
             {},
             {},
             {},
             "create takes OUT.msp BASELINE UPGRADED"},
        Case{"create_without_pairs",
             {"create", "o.msp"},
             false,
             Command::Create,
             {},
             {},
             {},
             "create takes"},
        Case{"option_without_its_value",
             {"create", "o.msp", "b.msi", "u.msi", "--title"},
             false,
             Command::Create,
             {},
             {},
             {},
             "--title needs a value"},
        Case{"option_of_another_command",
             {"author", "d.def", "o.msp", "--authored"},
             false,
             Command::Author,
             {},
             {},
             {},
             "author has no option --authored"},
        Case{"author", {"author", "d.def", "o.msp"}, true, Command::Author, {"d.def", "o.msp"}},
        Case{"author_with_one_more",
             {"author", "d.def", "o.msp", "x"},
             false,
             Command::Author,
             {},
             {},
             {},
             "author takes DEFINITION OUT.msp"},
        Case{"check_package", {"check", "p.msp"}, true, Command::Check, {"p.msp"}},
        Case{"check_authored_descriptors_baselines",
             {"check", "--authored", "p.msp", "d1.txt", "d2.txt", "--baselines", "a.msi", "b.msi"},
             true,
             Command::Check,
             {"p.msp", "d1.txt", "d2.txt"},
             {{"--authored", ""}, {"--baselines", ""}},
             {"a.msi", "b.msi"}},
        // Everything after --baselines is a baseline, options too.
        Case{"baselines_take_the_rest",
             {"check", "p.msp", "--baselines", "--authored"},
             true,
             Command::Check,
             {"p.msp"},
             {{"--baselines", ""}},
             {"--authored"}},
        Case{"check_nothing",
             {"check", "--authored"},
             false,
             Command::Check,
             {},
             {},
             {},
             "check takes PACKAGE"},
        Case{"describe_default_target",
             {"describe", "p.msp", "t.in", "o.txt"},
             true,
             Command::Describe,
             {"p.msp", "t.in", "o.txt"}},
        Case{"describe_numbered_target",
             {"describe", "p.msp", "t.in", "o.txt", "3"},
             true,
             Command::Describe,
             {"p.msp", "t.in", "o.txt", "3"}},
        Case{"stamp",
             {"stamp", "p.msp", "o.msp", "1.0.0.1;1.0.0.0,"},
             true,
             Command::Stamp,
             {"p.msp", "o.msp", "1.0.0.1;1.0.0.0,"}},
        Case{"diff", {"diff", "a.msi", "b.msi"}, true, Command::Diff, {"a.msi", "b.msi"}},
        Case{"transform_without_output",
             {"transform", "a.msi", "b.msi"},
             false,
             Command::Transform,
             {},
             {},
             {},
             "transform takes BEFORE.msi AFTER.msi OUT.mst"},
        Case{"unknown_command",
             {"frobnicate"},
             false,
             Command::Check,
             {},
             {},
             {},
             "unknown command \"frobnicate\""},
        Case{"no_command", {}, false, Command::Check, {}, {}, {}, "no command"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The usage names every command and option the parser knows.
TEST(CommandLineUsageTest, NamesEveryCommandAndOption) {
  const std::string usage = UsageText();
  for (const char* word :
       {"create", "author", "check", "describe", "stamp", "diff", "transform", "--patch-code",
        "--title", "--not-removable", "--authored", "--baselines"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos;
       start = end + 1)
    EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
}

}  // namespace
}  // namespace msptool
