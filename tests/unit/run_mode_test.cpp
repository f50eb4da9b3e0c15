// The command-line walk: which options set what, and what is ignored.
#include <gtest/gtest.h>

#include "launcher/run_mode.h"
#include "support/case_name.h"

namespace spinstall::launcher {
namespace {

struct WalkCase {
  const char* name;
  std::vector<std::wstring> args;  // without the program path
  RunMode expected;
};

RunMode Mode(bool install, bool quiet, bool extract, std::wstring extractPath, bool patchList,
             std::wstring patchListPath, bool info, std::wstring logPath = L"",
             bool exitCode = false, bool help = false) {
  return RunMode{install,   quiet,
                 extract,   std::move(extractPath),
                 patchList, std::move(patchListPath),
                 info,      std::move(logPath),
                 exitCode,  help};
}

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class ArgumentWalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(ArgumentWalkTest, FillsTheRunMode) {
  const WalkCase& c = GetParam();
  std::vector<std::wstring> args = {L"C:\\spinstall.exe"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  // Start from a mode that differs from the defaults everywhere: the walk must
  // reset every field.
  RunMode mode = Mode(false, true, true, L"stale", true, L"stale", true, L"stale", true, true);
  ParseArguments(args, mode);
  EXPECT_EQ(mode.install, c.expected.install);
  EXPECT_EQ(mode.quiet, c.expected.quiet);
  EXPECT_EQ(mode.extract, c.expected.extract);
  EXPECT_EQ(mode.extractPath, c.expected.extractPath);
  EXPECT_EQ(mode.patchList, c.expected.patchList);
  EXPECT_EQ(mode.patchListPath, c.expected.patchListPath);
  EXPECT_EQ(mode.info, c.expected.info);
  EXPECT_EQ(mode.logPath, c.expected.logPath);
  EXPECT_EQ(mode.exitCode, c.expected.exitCode);
  EXPECT_EQ(mode.help, c.expected.help);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, ArgumentWalkTest,
    testing::Values(
        WalkCase{"NoArguments", {}, Mode(true, false, false, L"", false, L"", false)},
        WalkCase{"Quiet", {L"/q"}, Mode(true, true, false, L"", false, L"", false)},
        WalkCase{"QuietUpperCase", {L"/Q"}, Mode(true, true, false, L"", false, L"", false)},
        WalkCase{"ExtractWithPath",
                 {L"/e", L"x.msp"},
                 Mode(false, false, true, L"x.msp", false, L"", false)},
        WalkCase{"ExtractLast", {L"/E"}, Mode(false, false, true, L"", false, L"", false)},
        WalkCase{"ExtractTakesAnOptionAsItsPath",
                 {L"/e", L"/q"},
                 Mode(false, false, true, L"/q", false, L"", false)},
        WalkCase{"PatchListWithPath",
                 {L"/P", L"list.txt"},
                 Mode(false, false, false, L"", true, L"list.txt", false)},
        WalkCase{"PatchListLast", {L"/p"}, Mode(false, false, false, L"", true, L"", false)},
        WalkCase{"ExtractThenPatchList",
                 {L"/e", L"x.msp", L"/p", L"list.txt"},
                 Mode(false, false, true, L"x.msp", true, L"list.txt", false)},
        WalkCase{"InfoStopsTheWalk",
                 {L"/p", L"list.txt", L"/i", L"/e", L"x"},
                 Mode(false, false, false, L"", true, L"list.txt", true)},
        WalkCase{"InfoUpperCaseBeforeQuiet",
                 {L"/I", L"/q"},
                 Mode(false, false, false, L"", false, L"", true)},
        WalkCase{"QuietInfo", {L"/q", L"/i"}, Mode(false, true, false, L"", false, L"", true)},
        WalkCase{"RepeatedExtractKeepsTheLastPath",
                 {L"/e", L"a", L"/e", L"b"},
                 Mode(false, false, true, L"b", false, L"", false)},
        WalkCase{"RepeatedPatchListWithoutPathKeepsTheEarlierOne",
                 {L"/p", L"a", L"/p"},
                 Mode(false, false, false, L"", true, L"a", false)},
        WalkCase{"WholeArgumentsOnly",
                 {L"/quiet", L"-q", L"q", L"/q:", L"//q", L"/ q"},
                 Mode(true, false, false, L"", false, L"", false)},
        WalkCase{
            "UnknownArgumentIgnored", {L"foo"}, Mode(true, false, false, L"", false, L"", false)},
        WalkCase{"UnknownBeforeOption",
                 {L"foo", L"/e", L"bar"},
                 Mode(false, false, true, L"bar", false, L"", false)},
        // Only ASCII letters fold: a full-width Q is not an option.
        WalkCase{"NonAsciiLetterDoesNotFold",
                 {L"/\xFF31"},
                 Mode(true, false, false, L"", false, L"", false)},
        WalkCase{
            "EmptyArgumentIsAPath", {L"/e", L""}, Mode(false, false, true, L"", false, L"", false)},
        WalkCase{"LogTakesTheNextArgument",
                 {L"/LOG", L"/q", L"/exitcode"},
                 Mode(true, false, false, L"", false, L"", false, L"/q", true)},
        WalkCase{"LogLastMeansTheDefaultLog",
                 {L"/q", L"/log"},
                 Mode(true, true, false, L"", false, L"", false)},
        WalkCase{"ExitCodeWholeWordOnly",
                 {L"/exit", L"/ExitCode", L"/exitcodes"},
                 Mode(true, false, false, L"", false, L"", false, L"", true)},
        WalkCase{"HelpStopsTheWalkAndNeverInstalls",
                 {L"/q", L"/?", L"/e", L"x"},
                 Mode(false, true, false, L"", false, L"", false, L"", false, true)},
        WalkCase{"HelpShortUpperCase",
                 {L"/H"},
                 Mode(false, false, false, L"", false, L"", false, L"", false, true)},
        WalkCase{"HelpLongKeepsEarlierModes",
                 {L"/p", L"a", L"/Help"},
                 Mode(false, false, false, L"", true, L"a", false, L"", false, true)},
        WalkCase{"HelpLookalikesIgnored",
                 {L"-?", L"?", L"/hlp", L"/??"},
                 Mode(true, false, false, L"", false, L"", false)}),
    testsupport::CaseName());

TEST(ArgumentWalk, ProgramPathIsNeverAnOption) {
  RunMode mode;
  ParseArguments({L"/i"}, mode);
  EXPECT_TRUE(mode.install);
  EXPECT_FALSE(mode.info);
}

TEST(ArgumentWalk, NoArgumentsAtAllKeepsTheDefaults) {
  // A command line that cannot be split yields no arguments: install mode.
  RunMode mode = Mode(false, true, true, L"x", true, L"y", true);
  ParseArguments({}, mode);
  EXPECT_TRUE(mode.install);
  EXPECT_FALSE(mode.quiet || mode.extract || mode.patchList || mode.info);
}

}  // namespace
}  // namespace spinstall::launcher
