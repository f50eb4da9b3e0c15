// Faults of the machine: a full disk during extraction and during the
// patch-list export, a kill at any moment, a temporary directory that is gone,
// a read-only current directory, closed standard streams. Each is reported as
// it should be, no partial file passes for a good one, and nothing is lost
// from an existing package or patch list.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>

#include "admin/patch_list_export.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/boxes.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/process_state.h"
#include "support/program_run.h"
#include "support/result_box.h"
#include "support/small_filesystem.h"
#include "support/temp_dir.h"

namespace {

using spinstall::platform::host::Widen;
using testsupport::Box;
using testsupport::ResultBox;
using testsupport::SmallFilesystem;

class FaultsTest : public testsupport::FreshProcessTest {};

#define REQUIRE_MOUNT(fs) \
  if (!(fs).Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here"

TEST_F(FaultsTest, FullDiskFailsExtractionToANewTemporaryFileAndLeavesNothing) {
  SmallFilesystem fs(64 * 1024, false);
  REQUIRE_MOUNT(fs);
  fs.Fill();
  env_.Set("TMP", fs.path());
  std::wstring path;
  EXPECT_FALSE(spinstall::package::ExtractPackage(path));
  EXPECT_EQ(spinstall::platform::LastError(), spinstall::platform::kErrorDiskFull);
  EXPECT_EQ(path, Widen(fs.path() + "/MSP2"));
  EXPECT_EQ(testsupport::DirectoryEntries(fs.path()), std::vector<std::string>{"filler"});
}

TEST_F(FaultsTest, FullDiskFailsExtractionToAGivenPathAndLeavesNoIncompleteFile) {
  SmallFilesystem fs(64 * 1024, false);
  REQUIRE_MOUNT(fs);
  fs.Fill();
  std::wstring path = Widen(fs.path() + "/out.msp");
  EXPECT_FALSE(spinstall::package::ExtractPackage(path));
  EXPECT_EQ(path, Widen(fs.path() + "/out.msp"));
  EXPECT_FALSE(testsupport::PathExists(fs.path() + "/out.msp"));
}

struct ReplaceCase {
  const char* name;
  bool throughLink;
  bool fullDisk;
};

class ExtractOverTest : public FaultsTest, public testing::WithParamInterface<ReplaceCase> {};

// /e over an existing file, directly or through a link: afterwards the name
// holds the whole package or the old bytes, the link is still a link, and no
// file of the attempt is left beside it.
TEST_P(ExtractOverTest, LeavesTheOldFileOrTheWholePackage) {
  SmallFilesystem fs(256 * 1024, false);
  REQUIRE_MOUNT(fs);
  const std::string target = fs.path() + "/old.msp";
  testsupport::WriteFileBytes(target, "old");
  std::string given = target;
  if (GetParam().throughLink) {
    given = fs.path() + "/link.msp";
    std::filesystem::create_symlink("old.msp", given);
  }
  if (GetParam().fullDisk) fs.Fill();
  std::wstring path = Widen(given);
  EXPECT_EQ(spinstall::package::ExtractPackage(path), !GetParam().fullDisk);
  EXPECT_EQ(testsupport::ReadFileBytes(target),
            GetParam().fullDisk ? "old" : testsupport::CarriedPackageBytes());
  EXPECT_EQ(std::filesystem::is_symlink(given), GetParam().throughLink);
  std::vector<std::string> expected{"old.msp"};
  if (GetParam().throughLink) expected.insert(expected.begin(), "link.msp");
  if (GetParam().fullDisk) expected.insert(expected.begin(), "filler");
  EXPECT_EQ(testsupport::DirectoryEntries(fs.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, ExtractOverTest,
                         testing::Values(ReplaceCase{"file", false, false},
                                         ReplaceCase{"file_on_full_disk", false, true},
                                         ReplaceCase{"link", true, false},
                                         ReplaceCase{"link_on_full_disk", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultsTest, FullDiskDuringExportKeepsTheExistingListWhole) {
  SmallFilesystem fs(64 * 1024, false);
  REQUIRE_MOUNT(fs);
  const std::string list = fs.path() + "/list.txt";
  std::wstring listPath = Widen(list);
  // Earlier blocks filling whole pages: tmpfs counts space in pages, so only
  // then does the next block need space the disk no longer has.
  const std::string before(4096, '*');
  testsupport::WriteFileBytes(list, before);
  fs.Fill();

  testsupport::BoxCapture boxes;
  EXPECT_TRUE(spinstall::admin::ExportPatchList(listPath));
  const auto shown = boxes.Stop();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(testsupport::IsFailureBox(shown[0], 1033));
  EXPECT_NE(shown[0].text.find("112"), std::string::npos) << shown[0].text;
  EXPECT_EQ(testsupport::ReadFileBytes(list), before);
}

TEST_F(FaultsTest, ReadOnlyCurrentDirectoryRefusesTheDefaultPatchList) {
  SmallFilesystem fs(64 * 1024, true);
  REQUIRE_MOUNT(fs);
  const auto run = testsupport::RunHostProgram({"/p"}, {{"TMPDIR", TempDirectory()}}, fs.path());
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(testsupport::ParseBoxes(run.standardError), std::vector<Box>{ResultBox(1033, 310)});
  EXPECT_TRUE(testsupport::DirectoryEntries(fs.path()).empty());
}

// Nothing named MSPn in the root: what the temporary-name rule falls back to.
std::set<std::string> RootPackages() {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("MSP", 0) == 0) names.insert(name);
  }
  return names;
}

TEST_F(FaultsTest, VanishedTemporaryDirectoryFallsBackAndTheRunStillCleansUp) {
  const std::string gone = scratch_ / "gone";
  std::filesystem::create_directory(gone);
  std::filesystem::remove(gone);
  const std::string products = scratch_ / "products.ini";
  testsupport::WriteFileBytes(
      products,
      testsupport::RegistrySection(testsupport::kFirstTarget, "Writer", "1033", "16.1.63.10"));
  const auto before = RootPackages();
  const auto run = testsupport::RunHostProgram(
      {}, {{"TMPDIR", gone}, {"TMP", ""}, {"SPINSTALL_PRODUCTS", products}}, scratch_.path());
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(testsupport::ParseBoxes(run.standardError),
            std::vector<Box>{ResultBox(1033, 301, "Writer")});
  // The package went to the root fallback and was deleted at the end.
  EXPECT_EQ(RootPackages(), before);
  EXPECT_NE(testsupport::ReadFileBytes(products).find("VersionString=16.1.84.0"),
            std::string::npos);
}

// One block of the carried descriptor, as one /p run appends it.
std::string OneBlock(const std::string& folder) {
  testsupport::RunHostProgram({"/p", "block.txt"}, {}, folder);
  return testsupport::ReadFileBytes(folder + "/block.txt");
}

// kill -9 at a random moment of /e and of /p, many times over: the package is
// the old file or the whole package, the list the old text and whole blocks.
TEST_F(FaultsTest, KillAtAnyMomentLeavesOldOrWholeOutputs) {
  SmallFilesystem fs(8 * 1024 * 1024, false);
  const std::string folder = fs.Mounted() ? fs.path() : scratch_.path();
  const std::string block = OneBlock(folder);
  ASSERT_FALSE(block.empty());
  const std::string package = testsupport::CarriedPackageBytes();
  const std::string list = folder + "/list.txt";
  const std::string before = "earlier\r\n";
  testsupport::WriteFileBytes(folder + "/out.msp", "old");
  testsupport::WriteFileBytes(list, before);
  std::mt19937 random(12);
  std::uniform_int_distribution<int> delay(0, 5000);
  for (int run = 0; run < 100; ++run) {
    testsupport::KillHostProgramAfter(std::chrono::microseconds(delay(random)), {"/e", "out.msp"},
                                      folder);
    const std::string out = testsupport::ReadFileBytes(folder + "/out.msp");
    ASSERT_TRUE(out == "old" || out == package) << "run " << run << ": " << out.size() << " bytes";
    testsupport::KillHostProgramAfter(std::chrono::microseconds(delay(random)), {"/p", "list.txt"},
                                      folder);
    std::string rest = testsupport::ReadFileBytes(list);
    ASSERT_EQ(rest.substr(0, before.size()), before) << "run " << run;
    rest.erase(0, before.size());
    while (rest.rfind(block, 0) == 0) rest.erase(0, block.size());
    ASSERT_EQ(rest, "") << "run " << run << ": a partial block";
  }
}

// A box shown while the list is open must not land in the list, which would
// take the closed descriptor 2.
TEST_F(FaultsTest, ClosedStandardErrorNeverReceivesTheList) {
  SmallFilesystem fs(64 * 1024, false);
  REQUIRE_MOUNT(fs);
  const std::string before(4096, '*');
  testsupport::WriteFileBytes(fs.path() + "/list.txt", before);
  fs.Fill();
  EXPECT_EQ(testsupport::RunHostProgramWithout(testsupport::StandardError::Closed,
                                               {"/p", "list.txt"}, {}, fs.path()),
            0);
  EXPECT_EQ(testsupport::ReadFileBytes(fs.path() + "/list.txt"), before);
}

// The product registry is replaced whole or not at all: on a full disk the
// install answers 1603 and the registry keeps every byte.
TEST_F(FaultsTest, RegistryThatCannotBeRewrittenFailsTheInstallAndStaysWhole) {
  SmallFilesystem fs(64 * 1024, false);
  REQUIRE_MOUNT(fs);
  const std::string products = fs.path() + "/products.ini";
  const std::string registry =
      testsupport::RegistrySection(testsupport::kFirstTarget, "Writer", "1033", "16.1.63.10") +
      std::string(4096, ';');
  testsupport::WriteFileBytes(products, registry);
  fs.Fill();
  const auto run = testsupport::RunHostProgram(
      {}, {{"TMPDIR", TempDirectory()}, {"SPINSTALL_PRODUCTS", products}}, scratch_.path());
  EXPECT_EQ(testsupport::ParseBoxes(run.standardError),
            std::vector<Box>{ResultBox(1033, 300, "1603")});
  EXPECT_EQ(testsupport::ReadFileBytes(products), registry);
}

}  // namespace
