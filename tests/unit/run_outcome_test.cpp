// The exit code /exitcode gives for what a run came to, where the whole-run
// tests do not reach: several products, and the order of precedence.
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
  std::uint32_t exitCode;
};

class RunOutcomeTest : public testsupport::FreshProcessTest,
                       public testing::WithParamInterface<OutcomeCase> {};

TEST_P(RunOutcomeTest, ExitCode) {
  const OutcomeCase& c = GetParam();
  for (const auto result : c.patchResults) NotePatchResult(result);
  CurrentOutcome().upToDate = c.upToDate;
  CurrentOutcome().notCandidate = c.notCandidate;
  EXPECT_EQ(InstallExitCode(CurrentOutcome()), c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RunOutcomeTest,
    testing::Values(OutcomeCase{"PatchedAndUpToDate", {0}, 2, 0, 0},
                    OutcomeCase{"PatchedBesideANonCandidate", {0}, 0, 1, 0},
                    OutcomeCase{"FirstRestartCodeKept", {0, 1641, 3010}, 0, 0, 1641},
                    OutcomeCase{"FirstFailureWinsOverRestart", {3010, 1612, 1603}, 0, 0, 1612},
                    OutcomeCase{"NoneAtACandidateVersion", {}, 0, 2, 1642}),
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
