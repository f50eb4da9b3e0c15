// Deriving a patch from the family's German pair: each minor-update rule a
// changed upgraded database breaks is refused with its table and row; the
// file rules of "check" refuse a transform that leaves an unversioned file's
// old hash; --not-removable and the derived patch code.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "compound/reader.h"
#include "compound/stream_name.h"
#include "msi/database_reader.h"
#include "patch/derive.h"
#include "patch/package_writer.h"
#include "summary/summary_stream.h"
#include "support/authoring.h"
#include "support/package_copy.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::msi::Database;
using msptool::msi::Value;
using testsupport::TempDir;

const std::string kGerman = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";

msptool::PatchTarget GermanPair() {
  msptool::PatchTarget t;
  t.baselinePath = ProductPackage(kGerman, "16.1.63.10");
  t.upgradedPath = ProductPackage(kGerman, "16.1.84.0");
  std::string error, baseline, upgraded;
  EXPECT_TRUE(msptool::msi::ReadDatabase(t.baselinePath, t.baseline, error, true, &baseline))
      << error;
  EXPECT_TRUE(msptool::msi::ReadDatabase(t.upgradedPath, t.upgraded, error, true, &upgraded))
      << error;
  t.baselinePageCount = static_cast<int>(msptool::SummaryNumber(baseline, 14));
  t.upgradedPageCount = static_cast<int>(msptool::SummaryNumber(upgraded, 14));
  return t;
}

void Erase(Database& db, const std::string& table, const std::string& key) {
  for (auto& t : db.tables)
    if (t.name == table) std::erase_if(t.rows, [&](const auto& row) { return row[0].text == key; });
}

struct BrokenRule {
  const char* name;
  std::function<void(Database&)> breaks;
  std::string message;
};

class MinorUpdateRuleTest : public testing::TestWithParam<BrokenRule> {};

TEST_P(MinorUpdateRuleTest, CreateRefusesNamingTableRowAndRule) {
  auto t = GermanPair();
  GetParam().breaks(t.upgraded);
  msptool::DerivedPatch patch;
  std::string error;
  EXPECT_FALSE(msptool::DerivePatch({t}, {}, patch, error));
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MinorUpdateRuleTest,
    testing::Values(
        BrokenRule{"product_code_changes",
                   [](auto& db) {
                     SetCell(db, "Property", "ProductCode", "Value",
                             Value::String("{00000000-0000-0000-0000-000000000001}"));
                   },
                   "table Property, row ProductCode: the product code changes"},
        BrokenRule{"component_removed", [](auto& db) { Erase(db, "Component", "Data"); },
                   "table Component, row Data: the component is removed"},
        BrokenRule{"feature_removed", [](auto& db) { Erase(db, "Feature", "Writer"); },
                   "table Feature, row Writer: the feature is removed"},
        BrokenRule{"file_removed", [](auto& db) { Erase(db, "File", "quillmark.dat"); },
                   "table File, row quillmark.dat: the file is removed"},
        BrokenRule{"component_code_changes",
                   [](auto& db) {
                     SetCell(db, "Component", "Readme", "ComponentId",
                             Value::String("{00000000-0000-0000-0000-000000000002}"));
                   },
                   "table Component, row Readme: the component code changes"},
        BrokenRule{"key_path_changes",
                   [](auto& db) {
                     SetCell(db, "Component", "Engine", "KeyPath", Value::String("letter.qmt"));
                   },
                   "table Component, row Engine: the key path changes"},
        BrokenRule{"component_moves_to_another_feature",
                   [](auto& db) {
                     auto& features = const_cast<msptool::msi::Table&>(*db.Find("Feature"));
                     features.rows.push_back(RowOf(db, "Feature", "Writer"));
                     features.rows.back()[0] = Value::String("Extras");
                     for (auto& row :
                          const_cast<msptool::msi::Table&>(*db.Find("FeatureComponents")).rows)
                       if (row[1].text == "Readme") row[0] = Value::String("Extras");
                   },
                   "table FeatureComponents, row Writer/Readme: component \"Readme\" moves out "
                   "of feature \"Writer\""},
        BrokenRule{"versioned_file_goes_down",
                   [](auto& db) {
                     SetCell(db, "File", "quillmark.dll", "Version", Value::String("16.1.0.0"));
                   },
                   "table File, row quillmark.dll: the file's version goes down"},
        BrokenRule{"versioned_file_grows_under_its_version",
                   [](auto& db) {
                     SetCell(db, "File", "quillmark.dll", "Version", Value::String("16.1.63.10"));
                     SetCell(db, "File", "quillmark.dll", "FileSize", Value::Integer(7070));
                   },
                   "table File, row quillmark.dll: the file changes but its version stays "
                   "\"16.1.63.10\""},
        BrokenRule{"file_table_lacks_a_column",
                   [](auto& db) {
                     auto& file = const_cast<msptool::msi::Table&>(*db.Find("File"));
                     const auto at = file.ColumnIndex("FileSize");
                     file.columns.erase(file.columns.begin() + at);
                     for (auto& row : file.rows) row.erase(row.begin() + at);
                   },
                   "table File has no column FileSize"},
        BrokenRule{"product_version_stays",
                   [](auto& db) {
                     SetCell(db, "Property", "ProductVersion", "Value",
                             Value::String("16.1.63.10"));
                   },
                   "table Property, row ProductVersion: the version does not go up"}),
    [](const auto& info) { return std::string(info.param.name); });

// Windows compares an unversioned file's MsiFileHash with the file on disk:
// a patch that leaves the old hash leaves the old file.
TEST(FileRulesTest, AuthoredCheckRefusesATransformThatKeepsTheOldHash) {
  TempDir dir;
  const auto t = GermanPair();
  msptool::PatchOptions options;
  options.title = "stale hash";
  msptool::DerivedPatch patch;
  std::string error;
  ASSERT_TRUE(msptool::DerivePatch({t}, options, patch, error)) << error;
  auto& tables = patch.body.transforms[0].diff.tables;
  for (auto& table : tables)
    if (table.name == "MsiFileHash")
      std::erase_if(table.updated, [](const auto& u) { return u.after[0].text == "readme.txt"; });
  ASSERT_TRUE(msptool::WritePatchPackage(patch.summary, patch.body, dir / "p.msp", error)) << error;
  const auto run =
      RunMspTool({"check", "--authored", dir / "p.msp", "--baselines", t.baselinePath});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find(kGerman + ": file \"readme.txt\" would be kept (MsiFileHash "
                                             "is still the installed file's)"),
            std::string::npos)
      << run.standardError;
  // As made, it passes.
  const auto made = GermanPair();
  ASSERT_EQ(
      RunMspTool({"create", dir / "made.msp", made.baselinePath, made.upgradedPath}).exitStatus, 0);
  EXPECT_EQ(RunMspTool({"check", "--authored", dir / "made.msp", "--baselines", made.baselinePath})
                .exitStatus,
            0);
}

TEST(CreateTest, PatchCodeComesFromTheInputsAndRemovalCanBeRefused) {
  const auto t = GermanPair();
  msptool::DerivedPatch a, b, c;
  msptool::PatchOptions options;
  options.inputDigest = "inputs";
  std::string error;
  ASSERT_TRUE(msptool::DerivePatch({t}, options, a, error));
  ASSERT_TRUE(msptool::DerivePatch({t}, options, b, error));
  options.removable = false;
  options.inputDigest = "other inputs";
  ASSERT_TRUE(msptool::DerivePatch({t}, options, c, error));
  EXPECT_EQ(a.summary.patchCode, b.summary.patchCode);
  EXPECT_NE(a.summary.patchCode, c.summary.patchCode);
  const auto allowRemoval = [](const msptool::DerivedPatch& p) {
    for (const auto& row : p.body.rootTables.Find("MsiPatchMetadata")->rows)
      if (row[1].text == "AllowRemoval") return row[2].text.str();
    return std::string();
  };
  EXPECT_EQ(allowRemoval(a), "1");
  EXPECT_EQ(allowRemoval(c), "0");
}

// A versioned file whose bytes change but not its size or version: only
// the packages' media show it, and create refuses it rather than leave it out.
TEST(CreateTest, ChangedBytesUnderOneVersionAreRefused) {
  TempDir dir;
  const auto t = GermanPair();
  std::filesystem::copy_file(t.upgradedPath, dir / "upgraded.msi");
  ASSERT_EQ(testsupport::RunProgram("/usr/bin/msibuild",
                                    {dir / "upgraded.msi", "-q",
                                     "UPDATE File SET Version = '16.1.63.10' WHERE File = "
                                     "'quillmark.dll'"},
                                    {}, ".")
                .exitStatus,
            0);
  const auto run = RunMspTool({"create", dir / "p.msp", t.baselinePath, dir / "upgraded.msi"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find("table File, row quillmark.dll: the file changes but its "
                                   "version stays \"16.1.63.10\""),
            std::string::npos)
      << run.standardError;
}

// An uncompressed source (no cabinet on its Media row, an administrative
// image's layout): the files come from the source tree beside the package,
// the same bytes as from the package's cabinet.
TEST(CreateTest, UncompressedSourceGivesTheCabinetsFiles) {
  TempDir dir;
  const auto t = GermanPair();
  std::filesystem::create_directories(dir / "image/Quillmark");
  std::filesystem::copy_file(t.upgradedPath, dir / "image/upgraded.msi");
  ASSERT_EQ(testsupport::RunProgram(
                "/usr/bin/msibuild",
                {dir / "image/upgraded.msi", "-q", "UPDATE Media SET Cabinet = ''"}, {}, ".")
                .exitStatus,
            0);
  std::filesystem::copy(std::filesystem::path(t.upgradedPath).parent_path() / "files",
                        dir / "image/Quillmark/Writer de-DE");
  const std::string code = "{00000000-0000-0000-0000-0000000000C1}";
  for (const auto& [out, upgraded] : {std::pair{dir / "cabinet.msp", t.upgradedPath},
                                      {dir / "image.msp", dir / "image/upgraded.msi"}})
    ASSERT_EQ(
        RunMspTool({"create", out, t.baselinePath, upgraded, "--patch-code", code}).exitStatus, 0);
  std::string fromCabinet, fromImage;
  // The cabinet stream is named after the patch code's digits.
  const std::string stream = msptool::EncodeStreamName("CAB" + std::string(30, '0') + "C1", false);
  ASSERT_TRUE(msptool::ReadRootStream(dir / "cabinet.msp", stream, fromCabinet));
  ASSERT_TRUE(msptool::ReadRootStream(dir / "image.msp", stream, fromImage));
  EXPECT_FALSE(fromCabinet.empty());
  EXPECT_TRUE(fromCabinet == fromImage);
  // A file missing from the image is named.
  std::filesystem::remove(dir / "image/Quillmark/Writer de-DE/readme.txt");
  const auto run =
      RunMspTool({"create", dir / "x.msp", t.baselinePath, dir / "image/upgraded.msi"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(
      run.standardError.find("file \"readme.txt\" (Quillmark/Writer de-DE/readme.txt): " +
                             std::string("\"Quillmark/Writer de-DE/readme.txt\" does not exist")),
      std::string::npos)
      << run.standardError;
}

}  // namespace
}  // namespace toolstest
