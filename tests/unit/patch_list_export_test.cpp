// The /p mode: the default list name, whole blocks appended per descriptor,
// and what a list that cannot be opened or written leaves behind.
#include "admin/patch_list_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installer/installer_service.h"
#include "messages/result_messages.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/case_name.h"
#include "support/deep_directory.h"
#include "support/fake_service.h"
#include "support/foreign_lock.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/result_box.h"
#include "support/temp_dir.h"

namespace spinstall::admin {
namespace {

using platform::host::EmbeddedResource;
using platform::host::Widen;
using testsupport::Box;
using testsupport::ReadFileBytes;
using testsupport::ResultBox;

std::string Block(const std::string& descriptor) { return "*****\r\n" + descriptor + "\r\n"; }

// The descriptor the build carries, as the build wrote it.
std::string CarriedDescriptor() {
  const auto carried = std::filesystem::path(SPINSTALL_CARRIED_PACKAGE).parent_path();
  return ReadFileBytes((carried / "descriptors" / "206.txt").string());
}

EmbeddedResource Descriptor(const wchar_t* name, const std::string& bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  return {L"TXT", name, begin, begin + bytes.size()};
}

struct NameCase {
  const wchar_t* targets;
  const wchar_t* expected;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << testing::PrintToString(c.targets); }

class DefaultListNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(DefaultListNameTest, FromTheTargetList) {
  EXPECT_EQ(DefaultListName(GetParam().targets), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DefaultListNameTest,
    testing::Values(
        // The carried package's list: the second group of the first code.
        NameCase{L"{91AED5A8-1F61-48F5-A289-B3368F6B332F};{32C7D65E-997D-42F2-B613-61BBEF5C51CC}",
                 L"patchlist1F61.txt"},
        NameCase{L"ab:cd-efghij", L"patchlistefgh.txt"}, NameCase{L"abcdef", L"patchlistabcd.txt"},
        NameCase{L"ab-c", L"patchlistc.txt"}, NameCase{L"abc", L"patchlistabc.txt"},
        NameCase{L"", L"patchlist.txt"}, NameCase{L":", L"patchlist.txt"},
        NameCase{L"-", L"patchlist.txt"}, NameCase{L"ab-", L"patchlist.txt"},
        NameCase{L"ab:", L"patchlist.txt"},
        // Only the first ':' and, after it, the first '-' count.
        NameCase{L"a:b:c-d", L"patchlistd.txt"}, NameCase{L":-abcdefg", L"patchlistabcd.txt"},
        NameCase{L"a-b-cdefg", L"patchlistb-cd.txt"},
        NameCase{L"x-y:ab-cd:ef", L"patchlistcd:e.txt"}, NameCase{L"ab-c:d", L"patchlistd.txt"}),
    testsupport::CaseName());

class PatchListExportTest : public testsupport::FreshProcessTest {
 protected:
  std::vector<Box> Export(std::wstring& path) {
    testsupport::BoxCapture capture;
    result_ = ExportPatchList(path);
    return capture.Stop();
  }
  std::vector<Box> ExportTo(const std::string& path) {
    std::wstring wide = Widen(path);
    return Export(wide);
  }

  void UseResources(std::span<const EmbeddedResource> resources) {
    platform::host::OverrideResources(resources);
  }

  std::string ListPath() const { return scratch_ / "list.txt"; }

  bool result_ = false;
};

TEST_F(PatchListExportTest, NoPathNamesTheListAfterTheFirstProductCode) {
  const std::string cwd = scratch_ / "cwd";
  std::filesystem::create_directory(cwd);
  testsupport::CurrentDirectory inside(cwd);
  std::wstring path;
  EXPECT_EQ(Export(path), std::vector<Box>{});
  EXPECT_TRUE(result_);
  EXPECT_EQ(path, L"patchlist1F61.txt");
  EXPECT_EQ(ReadFileBytes(cwd + "/patchlist1F61.txt"), Block(CarriedDescriptor()));
  // The package extracted for the name stays.
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(PatchListExportTest, NoPathAndNoPackageGivesPatchlistTxt) {
  const std::string cwd = scratch_ / "cwd";
  std::filesystem::create_directory(cwd);
  testsupport::CurrentDirectory inside(cwd);
  env_.Set("TMPDIR", testsupport::MakeDeepDirectory(scratch_ / "tmp", 300));
  std::wstring path;
  EXPECT_EQ(Export(path), std::vector<Box>{});
  EXPECT_EQ(path, L"patchlist.txt");
  EXPECT_EQ(ReadFileBytes(cwd + "/patchlist.txt"), Block(CarriedDescriptor()));
}

TEST_F(PatchListExportTest, NoPathAndUnreadableTargetListGivesPatchlistTxt) {
  const std::string cwd = scratch_ / "cwd";
  std::filesystem::create_directory(cwd);
  testsupport::CurrentDirectory inside(cwd);
  testsupport::FakeService service;
  service.propertyFailures[summary_information::kTemplateProperty] = 1610;
  testsupport::ServiceGuard guard(service);
  std::wstring path;
  EXPECT_EQ(Export(path), std::vector<Box>{});
  EXPECT_EQ(path, L"patchlist.txt");
  EXPECT_EQ(ReadFileBytes(cwd + "/patchlist.txt"), Block(CarriedDescriptor()));
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(PatchListExportTest, GivenPathIsKeptAndNoPackageExtracted) {
  std::wstring path = Widen(ListPath());
  Export(path);
  EXPECT_EQ(path, Widen(ListPath()));
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(PatchListExportTest, EachRunAppendsOneBlock) {
  const std::string block = Block(CarriedDescriptor());
  ASSERT_GT(CarriedDescriptor().size(), 0u);
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{});
  EXPECT_TRUE(result_);
  EXPECT_EQ(ReadFileBytes(ListPath()), block);
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{});
  EXPECT_EQ(ReadFileBytes(ListPath()), block + block);
}

// A last line without its end is ended first, so the separator stands alone.
TEST_F(PatchListExportTest, ExistingContentsAreKept) {
  for (const std::string earlier : {"earlier list\r\n", "earlier\n", "last line"}) {
    testsupport::WriteFileBytes(ListPath(), earlier);
    ExportTo(ListPath());
    const std::string ended = earlier.back() == '\n' ? earlier : earlier + "\r\n";
    EXPECT_EQ(ReadFileBytes(ListPath()), ended + Block(CarriedDescriptor())) << earlier;
  }
}

TEST_F(PatchListExportTest, DescriptorsUpToTheFirstMissingNumber) {
  static const std::string a = "A=1\r\n", b = std::string("B=\xff\0\x01\r\n", 7), d = "D=4\r\n";
  static const EmbeddedResource resources[] = {Descriptor(L"#209", d), Descriptor(L"#206", a),
                                               Descriptor(L"#207", b)};
  UseResources(resources);
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{});
  EXPECT_TRUE(result_);
  EXPECT_EQ(ReadFileBytes(ListPath()), Block(a) + Block(b));
}

TEST_F(PatchListExportTest, NoDescriptor206LeavesAnEmptyList) {
  static const std::string b = "B=2\r\n";
  static const EmbeddedResource resources[] = {Descriptor(L"#207", b)};
  UseResources(resources);
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{ResultBox(1033, 310)});
  EXPECT_TRUE(result_);
  ASSERT_TRUE(testsupport::PathExists(ListPath()));
  EXPECT_EQ(ReadFileBytes(ListPath()), "");
}

TEST_F(PatchListExportTest, EmptyDescriptorStopsAfterTheBlocksBeforeIt) {
  static const std::string a = "A=1\r\n", empty, c = "C=3\r\n";
  static const EmbeddedResource resources[] = {Descriptor(L"#206", a), Descriptor(L"#207", empty),
                                               Descriptor(L"#208", c)};
  UseResources(resources);
  const auto boxes = ExportTo(ListPath());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(testsupport::IsFailureBox(boxes[0], 1033)) << testing::PrintToString(boxes[0]);
  EXPECT_TRUE(result_);
  EXPECT_EQ(ReadFileBytes(ListPath()), Block(a));
}

TEST_F(PatchListExportTest, DirectoryCannotBeTheList) {
  const std::string dir = scratch_ / "dir";
  std::filesystem::create_directory(dir);
  EXPECT_EQ(ExportTo(dir), std::vector<Box>{ResultBox(1033, 310)});
  EXPECT_FALSE(result_);
  EXPECT_EQ(testsupport::DirectoryEntries(dir), std::vector<std::string>{});
}

TEST_F(PatchListExportTest, ListInAMissingFolderCannotBeOpened) {
  EXPECT_EQ(ExportTo(scratch_ / "missing/list.txt"), std::vector<Box>{ResultBox(1033, 310)});
  EXPECT_FALSE(result_);
  EXPECT_FALSE(testsupport::PathExists(scratch_ / "missing"));
}

TEST_F(PatchListExportTest, ListAnotherProcessWritesCannotBeOpened) {
  testsupport::WriteFileBytes(ListPath(), "being written\r\n");
  testsupport::ForeignWriteLock other(ListPath());
  ASSERT_TRUE(other.held());
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{ResultBox(1033, 310)});
  EXPECT_FALSE(result_);
  EXPECT_EQ(ReadFileBytes(ListPath()), "being written\r\n");
}

TEST_F(PatchListExportTest, ListIsFreeAgainOnceTheOtherWriterIsDone) {
  { testsupport::ForeignWriteLock other(ListPath()); }
  EXPECT_EQ(ExportTo(ListPath()), std::vector<Box>{});
  EXPECT_EQ(ReadFileBytes(ListPath()), Block(CarriedDescriptor()));
}

TEST_F(PatchListExportTest, FailedWriteLeavesOnlyWholeBlocks) {
  static const std::string a(1000, 'a'), b(1000, 'b'), c = "C=3\r\n";
  static const EmbeddedResource resources[] = {Descriptor(L"#206", a), Descriptor(L"#207", b),
                                               Descriptor(L"#208", c)};
  UseResources(resources);
  testsupport::WriteFileBytes(ListPath(), "earlier\r\n");
  // The limit falls inside the second block; the third would fit after the
  // first, but nothing more is appended once a write failed.
  const std::size_t limit = 9 + Block(a).size() + 500;
  std::vector<Box> boxes;
  {
    testsupport::FileSizeLimit limited(limit);
    boxes = ExportTo(ListPath());
  }
  EXPECT_EQ(boxes, std::vector<Box>{ResultBox(1033, 300, "112")});
  EXPECT_TRUE(result_);
  EXPECT_EQ(ReadFileBytes(ListPath()), "earlier\r\n" + Block(a));
}

TEST_F(PatchListExportTest, FailedFirstBlockLeavesTheListAsItWas) {
  static const std::string a(1000, 'a');
  static const EmbeddedResource resources[] = {Descriptor(L"#206", a)};
  UseResources(resources);
  testsupport::WriteFileBytes(ListPath(), "earlier\r\n");
  std::vector<Box> boxes;
  {
    // Room for the separator, not for the descriptor.
    testsupport::FileSizeLimit limited(9 + 7 + 500);
    boxes = ExportTo(ListPath());
  }
  EXPECT_EQ(boxes, std::vector<Box>{ResultBox(1033, 300, "112")});
  EXPECT_EQ(ReadFileBytes(ListPath()), "earlier\r\n");
}

TEST_F(PatchListExportTest, MessagesFollowTheQuietFlag) {
  static const std::string b = "B=2\r\n";
  static const EmbeddedResource resources[] = {Descriptor(L"#207", b)};
  UseResources(resources);
  messages::Quiet() = true;
  testsupport::BoxCapture capture;
  std::wstring path = Widen(ListPath());
  EXPECT_TRUE(ExportPatchList(path));
  capture.Stop();
  EXPECT_EQ(capture.raw(), "");
  EXPECT_EQ(ReadFileBytes(ListPath()), "");
}

}  // namespace
}  // namespace spinstall::admin
