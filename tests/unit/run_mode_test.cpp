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

// "/busywait" takes the next argument whatever it is; only whole ASCII
// seconds up to a day set the wait, anything else keeps the one before.
struct BusyWaitCase {
  const char* name;
  std::vector<std::wstring> args;
  std::uint32_t seconds;
  bool quiet;
};

void PrintTo(const BusyWaitCase& c, std::ostream* os) { *os << c.name; }

class BusyWaitWalkTest : public testing::TestWithParam<BusyWaitCase> {};

TEST_P(BusyWaitWalkTest, SetsTheWaitFromWholeSeconds) {
  std::vector<std::wstring> args = {L"spinstall.exe"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  RunMode mode;
  mode.busyWaitSeconds = 7;  // the walk starts from the default
  ParseArguments(args, mode);
  EXPECT_EQ(mode.busyWaitSeconds, GetParam().seconds);
  EXPECT_EQ(mode.quiet, GetParam().quiet);
  EXPECT_TRUE(mode.install);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, BusyWaitWalkTest,
    testing::Values(
        BusyWaitCase{"Default", {}, 300, false},
        BusyWaitCase{"Zero", {L"/busywait", L"0"}, 0, false},
        BusyWaitCase{"UpperCase", {L"/BusyWait", L"45", L"/q"}, 45, true},
        BusyWaitCase{"ADay", {L"/busywait", L"86400"}, 86400, false},
        BusyWaitCase{"LeadingZeros", {L"/busywait", L"000000090"}, 90, false},
        BusyWaitCase{"OverADay", {L"/busywait", L"86401"}, 300, false},
        BusyWaitCase{"Overflowing", {L"/busywait", L"99999999999"}, 300, false},
        BusyWaitCase{"Negative", {L"/busywait", L"-5"}, 300, false},
        BusyWaitCase{"NotANumber", {L"/busywait", L"1e3"}, 300, false},
        BusyWaitCase{"Empty", {L"/busywait", L""}, 300, false},
        BusyWaitCase{"OtherDigits", {L"/busywait", L"\x0663\x0660"}, 300, false},
        BusyWaitCase{"TakesAnOption", {L"/busywait", L"/q"}, 300, false},
        BusyWaitCase{"Last", {L"/q", L"/busywait"}, 300, true},
        BusyWaitCase{"LastOneCounts", {L"/busywait", L"30", L"/busywait", L"60"}, 60, false},
        BusyWaitCase{
            "BadOneKeepsTheOneBefore", {L"/busywait", L"30", L"/busywait", L"x"}, 30, false}),
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
