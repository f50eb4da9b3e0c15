// Where create reads a carried file, as Windows reads the package's source:
// compressed or not by the File row's Attributes (0x4000, 0x2000), else by
// the summary's Word Count (bit 1); an uncompressed file of a compressed
// package at the source's root, of an uncompressed package in the Directory
// tree. Whatever the layout, the patch carries the same bytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/little_endian.h"
#include "compound/reader.h"
#include "compound/stream_name.h"
#include "msi/database_reader.h"
#include "summary/summary_stream.h"
#include "support/authoring.h"
#include "support/package_copy.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::msi::Database;
using msptool::msi::Value;
using testsupport::TempDir;
namespace fs = std::filesystem;

const std::string kGerman = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";
const std::string kCode = "{00000000-0000-0000-0000-0000000000C1}";

// The package's summary stream with property 15 set to `wordCount`.
std::string SummaryWithWordCount(const std::string& package, std::int32_t wordCount) {
  std::string stream, header;
  std::vector<msptool::StoredProperty> properties;
  EXPECT_TRUE(msptool::ReadRootStream(package, msptool::kSummaryStreamName, stream));
  EXPECT_TRUE(msptool::ReadSummaryStream(stream, header, properties));
  std::string value;
  msptool::PutU32(value, 3);  // VT_I4
  msptool::PutU32(value, static_cast<std::uint32_t>(wordCount));
  bool set = false;
  for (auto& p : properties) {
    if (p.id != msptool::kWordCountProperty) continue;
    p.value = value;
    set = true;
  }
  if (!set) properties.push_back({msptool::kWordCountProperty, value});
  return msptool::AssembleSummaryStream(header, properties);
}

// The patch's cabinet, named after kCode.
std::string PatchCabinet(const std::string& patch) {
  std::string bytes;
  EXPECT_TRUE(msptool::ReadRootStream(
      patch, msptool::EncodeStreamName("CAB" + std::string(30, '0') + "C1", false), bytes));
  return bytes;
}

struct LayoutCase {
  const char* name;
  std::int32_t wordCount;         // summary property 15
  std::int32_t readmeAttributes;  // added to readme.txt's File row
  bool tree;                      // the files in the Directory tree
  bool readmeAtRoot;              // readme.txt beside the package
  bool readmeInTree;              // readme.txt in the tree too
  std::string message;            // "" when create succeeds
};

class SourceLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(SourceLayoutTest, CarriedFilesComeFromWhereWindowsReadsThem) {
  const auto& row = GetParam();
  TempDir dir;
  const std::string baseline = ProductPackage(kGerman, "16.1.63.10");
  const std::string upgraded = ProductPackage(kGerman, "16.1.84.0");
  const fs::path files = fs::path(upgraded).parent_path() / "files";
  const std::string image = dir / "image";
  fs::create_directories(image + "/Quillmark");
  if (row.tree) fs::copy(files, image + "/Quillmark/Writer de-DE");
  if (!row.readmeInTree) fs::remove(image + "/Quillmark/Writer de-DE/readme.txt");
  if (row.readmeAtRoot) fs::copy_file(files / "readme.txt", image + "/readme.txt");
  Database db;
  std::string error;
  ASSERT_TRUE(msptool::msi::ReadDatabase(upgraded, db, error)) << error;
  auto& readme = RowOf(db, "File", "readme.txt");
  const std::size_t attributes = db.Find("File")->ColumnIndex("Attributes");
  readme[attributes] = Value::Integer(readme[attributes].number | row.readmeAttributes);
  WritePackageCopy(upgraded, db, image + "/u.msi",
                   {{msptool::kSummaryStreamName, SummaryWithWordCount(upgraded, row.wordCount)}});

  const auto made =
      RunMspTool({"create", dir / "p.msp", baseline, image + "/u.msi", "--patch-code", kCode});
  if (!row.message.empty()) {
    EXPECT_EQ(made.exitStatus, 1);
    EXPECT_NE(made.standardError.find(row.message), std::string::npos) << made.standardError;
    return;
  }
  ASSERT_EQ(made.exitStatus, 0) << made.standardError;
  ASSERT_EQ(RunMspTool({"create", dir / "plain.msp", baseline, upgraded, "--patch-code", kCode})
                .exitStatus,
            0);
  EXPECT_TRUE(PatchCabinet(dir / "p.msp") == PatchCabinet(dir / "plain.msp"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SourceLayoutTest,
    testing::Values(
        LayoutCase{"compressed_package_all_in_the_cabinet", 2, 0, false, false, false, ""},
        LayoutCase{"noncompressed_file_at_the_root_of_a_compressed_package", 2, 0x2000, false, true,
                   false, ""},
        LayoutCase{"noncompressed_file_not_at_the_root", 2, 0x2000, true, false, true,
                   "file \"readme.txt\" (readme.txt): \"readme.txt\" does not exist"},
        LayoutCase{"uncompressed_package_from_the_tree", 0, 0, true, false, true, ""},
        LayoutCase{"compressed_file_of_an_uncompressed_package", 0, 0x4000, true, false, false, ""},
        LayoutCase{"uncompressed_package_missing_a_file", 0, 0, true, false, false,
                   "(Quillmark/Writer de-DE/readme.txt): \"Quillmark/Writer de-DE/readme.txt\" "
                   "does not exist"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace toolstest
