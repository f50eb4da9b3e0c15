// msp_tool stamp: a copy of a package that differs only in summary property 5,
// read back independently (libgsf, libmsi and Python's olefile).
#include <gtest/gtest.h>

#include <filesystem>

#include "patch/package_writer.h"
#include "summary/package_summary.h"
#include "support/authoring.h"
#include "support/package_reader.h"
#include "support/small_patch.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using testsupport::TempDir;

const std::string kSummaryStream = "\x05SummaryInformation";

TEST(StampTest, ChangesPropertyFiveAndKeepsEveryOtherByte) {
  TempDir dir;
  ASSERT_EQ(RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"}).exitStatus, 0);
  const std::string rule = "16.1.84.0;16.1.63.10,16.1.70.2,";
  const auto stamp = RunMspTool({"stamp", dir / "p.msp", dir / "s.msp", rule});
  ASSERT_EQ(stamp.exitStatus, 0) << stamp.standardError;

  CompoundContents before, after;
  ASSERT_TRUE(ReadCompoundFile(dir / "p.msp", before));
  ASSERT_TRUE(ReadCompoundFile(dir / "s.msp", after));
  EXPECT_EQ(after.classIds, before.classIds);
  ASSERT_EQ(after.streams.size(), before.streams.size());
  for (const auto& [path, bytes] : before.streams) {
    if (path == kSummaryStream) continue;
    EXPECT_TRUE(after.streams[path] == bytes) << path;
  }
  auto summary = ParseSummary(after.streams[kSummaryStream]);
  auto original = ParseSummary(before.streams[kSummaryStream]);
  EXPECT_EQ(std::get<std::string>(summary[5]), rule);
  summary.erase(5);
  original.erase(5);
  EXPECT_EQ(summary, original);  // values and types (text or number)
}

TEST(StampTest, RuleTwiceAsLongAsTheKeywordsGrowsTheSummary) {
  TempDir dir;
  msptool::PatchSummary summary;
  summary.title = "Update";
  summary.keywords = "PatchSourceList";  // what other tools write
  summary.targets = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";
  summary.patchCode = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(
      summary, SmallPatch(summary.targets, summary.patchCode).body, dir / "p.msp", error))
      << error;
  EXPECT_EQ(RunMspTool({"check", dir / "p.msp"}).exitStatus, 1);

  const std::string rule = "16.1.84.0;16.1.63.10,16.1.70.2,";
  ASSERT_GE(rule.size(), 2 * summary.keywords.size());
  const auto stamp = RunMspTool({"stamp", dir / "p.msp", dir / "s.msp", rule});
  ASSERT_EQ(stamp.exitStatus, 0) << stamp.standardError;

  msptool::PackageSummary read;
  ASSERT_TRUE(msptool::ReadPackageSummary(dir / "s.msp", read, error)) << error;
  EXPECT_EQ(read.keywords, rule);
  EXPECT_EQ(read.targets, summary.targets);
  EXPECT_EQ(read.revision, summary.patchCode);
  const auto olefile = testsupport::RunProgram(
      "/usr/bin/python3",
      {"-c",
       "import olefile,sys\n"
       "m=olefile.OleFileIO(sys.argv[1]).get_metadata()\n"
       "sys.stderr.write(m.keywords.decode()+'|'+m.revision_number.decode())",
       dir / "s.msp"},
      {}, ".");
  EXPECT_EQ(olefile.exitStatus, 0);
  EXPECT_EQ(olefile.standardError, rule + "|" + summary.patchCode);
}

TEST(StampTest, RuleTheCheckWouldRefuseWritesNothing) {
  TempDir dir;
  ASSERT_EQ(RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"}).exitStatus, 0);
  const auto stamp = RunMspTool({"stamp", dir / "p.msp", dir / "s.msp", "16.1.84.0;16.1.63.10"});
  EXPECT_EQ(stamp.exitStatus, 1);
  EXPECT_EQ(stamp.standardError,
            "msp_tool: error: candidate version \"16.1.63.10\" in version rule "
            "\"16.1.84.0;16.1.63.10\" lacks its terminating ','\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "s.msp"));
}

// The copy is checked before it becomes the output: refused, it leaves no file.
TEST(StampTest, CopyTheCheckRefusesLeavesNothing) {
  TempDir dir;
  msptool::PatchSummary summary;
  summary.title = "Update";
  summary.targets = "{91AED5A8-1F61-48F5-A289-B3368F6B332F};";
  summary.patchCode = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(
      summary, SmallPatch("{91AED5A8-1F61-48F5-A289-B3368F6B332F}", summary.patchCode).body,
      dir / "p.msp", error))
      << error;
  const auto stamp = RunMspTool({"stamp", dir / "p.msp", dir / "s.msp", "16.1.84.0;16.1.63.10,"});
  EXPECT_EQ(stamp.exitStatus, 1);
  EXPECT_NE(stamp.standardError.find("error: " + dir / "s.msp" + ": target list"),
            std::string::npos)
      << stamp.standardError;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace toolstest
