// The run's outcome where the whole-run table (run_log_contents_test.cpp)
// does not reach: a failure that left no code of its own.
#include "log/run_outcome.h"

#include <gtest/gtest.h>

#include "support/fresh_process.h"

namespace spinstall::log {
namespace {

class RunOutcomeTest : public testsupport::FreshProcessTest {};

TEST_F(RunOutcomeTest, FirstFailingStepOr1603) {
  EXPECT_EQ(ExitCode(CurrentOutcome()), 0u);
  NoteFailure(0);  // a failure without a code of its own
  NoteFailure(3);
  EXPECT_EQ(ExitCode(CurrentOutcome()), 1603u);
}

}  // namespace
}  // namespace spinstall::log
