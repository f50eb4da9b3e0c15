// Faults of the machine: a full disk during extraction and during the
// patch-list export, a temporary directory that is gone, a read-only current
// directory. Each is reported as it should be, no partial file passes for a
// good one, and nothing is lost from an existing patch list.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "admin/patch_list_export.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/boxes.h"
#include "support/fresh_process.h"
#include "support/process_state.h"
#include "support/program_run.h"
#include "support/result_box.h"
#include "support/small_filesystem.h"
#include "support/temp_dir.h"

namespace {

using spinstall::platform::host::Widen;
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
  const auto shown = testsupport::ParseBoxes(run.standardError);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, testsupport::ResultBox(1033, 310).caption);
  EXPECT_EQ(shown[0].text, testsupport::ResultBox(1033, 310).text);
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
  testsupport::WriteFileBytes(products,
                              "[{91AED5A8-1F61-48F5-A289-B3368F6B332F}]\n"
                              "ProductName=Quillmark Writer\nLanguage=1033\n"
                              "VersionString=16.1.63.10\n");
  const auto before = RootPackages();
  const auto run = testsupport::RunHostProgram(
      {}, {{"TMPDIR", gone}, {"TMP", ""}, {"SPINSTALL_PRODUCTS", products}}, scratch_.path());
  EXPECT_EQ(run.exitStatus, 0);
  const auto shown = testsupport::ParseBoxes(run.standardError);
  ASSERT_EQ(shown.size(), 1u) << run.standardError;
  EXPECT_EQ(shown[0].caption, testsupport::ResultBox(1033, 301).caption);
  // The package went to the root fallback and was deleted at the end.
  EXPECT_EQ(RootPackages(), before);
  EXPECT_NE(testsupport::ReadFileBytes(products).find("VersionString=16.1.84.0"),
            std::string::npos);
}

}  // namespace
