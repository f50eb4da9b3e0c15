// What a run came to: the counts, the summary line and the exit code that
// /exitcode gives, in the installer's own codes.
#include "log/run_outcome.h"

#include <gtest/gtest.h>

#include "support/fresh_process.h"

namespace spinstall::log {
namespace {

struct OutcomeCase {
  const char* name;
  std::vector<std::uint32_t> patchResults;
  std::size_t upToDate;
  std::size_t notCandidate;
  std::uint32_t earlierFailure;  // a failing step before the products, or 0
  std::uint32_t exitCode;
  const wchar_t* summary;
};

class RunOutcomeTest : public testsupport::FreshProcessTest,
                       public testing::WithParamInterface<OutcomeCase> {};

TEST_P(RunOutcomeTest, CountsAndExitCode) {
  const OutcomeCase& c = GetParam();
  if (c.earlierFailure) NoteFailure(c.earlierFailure);
  for (const auto result : c.patchResults) NotePatchResult(result);
  CurrentOutcome().upToDate = c.upToDate;
  CurrentOutcome().notCandidate = c.notCandidate;
  EXPECT_EQ(InstallExitCode(CurrentOutcome()), c.exitCode);
  EXPECT_EQ(InstallSummary(CurrentOutcome()), c.summary);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RunOutcomeTest,
    testing::Values(
        OutcomeCase{"PatchedAndUpToDate",
                    {0},
                    2,
                    0,
                    0,
                    0,
                    L"1 patched, 0 failed, 2 up to date, 0 not a candidate version, restart "
                    L"required: no"},
        OutcomeCase{"AllUpToDate",
                    {},
                    3,
                    0,
                    0,
                    0,
                    L"0 patched, 0 failed, 3 up to date, 0 not a candidate version, restart "
                    L"required: no"},
        OutcomeCase{"RestartRequired",
                    {0, 3010, 1641},
                    0,
                    0,
                    0,
                    3010,
                    L"3 patched, 0 failed, 0 up to date, 0 not a candidate version, restart "
                    L"required: yes"},
        OutcomeCase{"RestartInitiated",
                    {1641},
                    0,
                    1,
                    0,
                    1641,
                    L"1 patched, 0 failed, 0 up to date, 1 not a candidate version, restart "
                    L"required: yes"},
        OutcomeCase{"FirstFailureWinsOverRestart",
                    {3010, 1612, 1603},
                    0,
                    0,
                    0,
                    1612,
                    L"1 patched, 2 failed, 0 up to date, 0 not a candidate version, restart "
                    L"required: yes"},
        OutcomeCase{"NoneAtACandidateVersion",
                    {},
                    0,
                    2,
                    0,
                    1642,
                    L"0 patched, 0 failed, 0 up to date, 2 not a candidate version, restart "
                    L"required: no"},
        OutcomeCase{"NothingInstalled",
                    {},
                    0,
                    0,
                    0,
                    1642,
                    L"0 patched, 0 failed, 0 up to date, 0 not a candidate version, restart "
                    L"required: no"},
        OutcomeCase{"EarlyFailure",
                    {},
                    0,
                    0,
                    4316,
                    4316,
                    L"0 patched, 0 failed, 0 up to date, 0 not a candidate version, restart "
                    L"required: no"}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

class AdminOutcomeTest : public testsupport::FreshProcessTest {};

TEST_F(AdminOutcomeTest, FirstFailingStepOr1603) {
  EXPECT_EQ(AdminExitCode(CurrentOutcome()), 0u);
  NoteFailure(0);  // a failure without a code of its own
  NoteFailure(3);
  EXPECT_EQ(AdminExitCode(CurrentOutcome()), 1603u);
}

}  // namespace
}  // namespace spinstall::log
