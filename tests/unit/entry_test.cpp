// Which modes a command line runs, in which order, through the host program.
#include <gtest/gtest.h>

#include "support/boxes.h"
#include "support/fresh_process.h"
#include "support/process_state.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ParseBoxes;
using testsupport::PathExists;
using testsupport::RunHostProgram;

class DispatchTest : public testsupport::FreshProcessTest {
 protected:
  testsupport::ProgramRun Run(const std::vector<std::string>& args) {
    return RunHostProgram(args, {{"TMPDIR", TempDirectory()}, {"TMP", ""}}, scratch_.path());
  }
};

TEST_F(DispatchTest, PatchListThenInfoAndNothingAfterInfoIsRead) {
  const auto run = Run({"/p", "list.txt", "/i", "/e", "x"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_FALSE(testsupport::ReadFileBytes(scratch_ / "list.txt").empty());
  EXPECT_FALSE(PathExists(scratch_ / "x"));
  const auto boxes = ParseBoxes(run.standardError);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Info");
  // Only /i extracted a package.
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(DispatchTest, ExtractThenPatchListWithoutInstalling) {
  const auto run = Run({"/e", "x.msp", "/p", "list.txt"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(testsupport::ReadFileBytes(scratch_ / "x.msp"), testsupport::CarriedPackageBytes());
  EXPECT_FALSE(testsupport::ReadFileBytes(scratch_ / "list.txt").empty());
  EXPECT_TRUE(ParseBoxes(run.standardError).empty()) << run.standardError;
  EXPECT_TRUE(TempDirectoryEntries().empty());
}

TEST_F(DispatchTest, UnknownArgumentRunsTheInstallation) {
  // No product is installed: the installation's own outcome, 307.
  const auto run = Run({"foo"});
  EXPECT_EQ(run.exitStatus, 0);
  const auto boxes = ParseBoxes(run.standardError);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Installation Error");
  EXPECT_NE(boxes[0].text.find("could not be located"), std::string::npos);
}

TEST_F(DispatchTest, ExitStatusIsZeroWhenExtractionFails) {
  const auto run = Run({"/e", scratch_.path()});  // a folder cannot be written
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(ParseBoxes(run.standardError).empty());
}

TEST_F(DispatchTest, ExtractWithoutPathLeavesANewTemporaryPackage) {
  EXPECT_EQ(Run({"/e"}).exitStatus, 0);
  EXPECT_EQ(Run({"/E"}).exitStatus, 0);
  // Each process starts its counter afresh and skips the name already taken.
  EXPECT_EQ(TempDirectoryEntries(), (std::vector<std::string>{"MSP2", "MSP3"}));
  EXPECT_EQ(testsupport::ReadFileBytes(TempDirectory() + "/MSP3"),
            testsupport::CarriedPackageBytes());
}

// Only the summary helper loads libmsi and GLib: a run that never reads a
// package does without them (the dynamic loader lists what it loads).
TEST(HostProgramStartTest, ExtractLoadsNoPackageLibrary) {
  testsupport::TempDir dir;
  const auto run = RunHostProgram({"/e", dir / "out.msp"}, {{"LD_DEBUG", "libs"}}, dir.path());
  ASSERT_NE(run.standardError.find("libstdc++"), std::string::npos) << run.standardError;
  EXPECT_EQ(run.standardError.find("libmsi"), std::string::npos);
  EXPECT_EQ(run.standardError.find("libglib"), std::string::npos);
}

}  // namespace
