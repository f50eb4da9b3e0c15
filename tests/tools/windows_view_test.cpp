// Patches applied as Windows applies them, and what "create" derives so that
// Windows does: the patch of the Windows-made reference passes; a patch
// transform that names the baseline version is skipped once its data
// transform has changed the version; error conditions fail a transform
// unless suppressed; one product with two baselines is listed once and each
// baseline takes its own pair; ProductVersions of fewer than four fields;
// property 14; tables that keep a patch from being removed; versioned files
// that change under one version.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "checks/file_rules.h"
#include "checks/windows_view.h"
#include "msi/database_reader.h"
#include "msi/standard_tables.h"
#include "patch/derive.h"
#include "summary/summary_stream.h"
#include "support/authoring.h"
#include "support/package_reader.h"
#include "support/small_patch.h"
#include "support/temp_dir.h"
#include "support/windows_made_patch.h"

namespace toolstest {
namespace {

namespace msi = msptool::msi;
using msi::Value;
using testsupport::TempDir;

const std::string kProduct = "{6A4C2E1B-3D5F-4A7B-9C8D-0E1F2A3B4C5D}";

// The package written at `path` and read back as the checks read it.
msptool::CompoundEntry Written(const msptool::PatchSummary& summary, const msptool::PatchBody& body,
                               const std::string& path) {
  std::string error;
  EXPECT_TRUE(msptool::WritePatchPackage(summary, body, path, error)) << error;
  msptool::CompoundEntry root;
  EXPECT_TRUE(msptool::ReadCompoundStreams(path, root, error, [](const std::string& name, int d) {
    return name == msptool::kSummaryStreamName ? msptool::StreamContent::Bytes
                                               : msi::DatabaseStreams(name, d);
  })) << error;
  return root;
}

std::string TransformList(const msptool::PatchBody& body) {
  std::string list;
  for (const auto& t : body.transforms) list += (list.empty() ? ":" : ";:") + t.name;
  return list;
}

msptool::DerivedPatch Derived(const std::vector<msptool::PatchTarget>& targets,
                              msptool::PatchOptions options = {}) {
  msptool::DerivedPatch patch;
  std::string error;
  EXPECT_TRUE(msptool::DerivePatch(targets, options, patch, error)) << error;
  return patch;
}

// "T1 applied #T1 skipped ..." for one baseline of a view.
std::string Outcomes(const msptool::BaselineView& b) {
  std::string text;
  for (const auto& t : b.transforms)
    text += (text.empty() ? "" : " ") + t.name + (t.applied ? " applied" : " skipped");
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

TEST(WindowsViewTest, WindowsMadePatchApplies) {
  TempDir dir;
  const WindowsMadePatch p = MakeWindowsMadePatch();
  const auto root = Written(p.summary, p.body, dir / "windows.msp");
  const auto view = msptool::ApplyAsWindows(root, TransformList(p.body), {p.baseline});
  EXPECT_TRUE(view.problems.empty()) << Joined(view.problems);
  ASSERT_EQ(view.baselines.size(), 1u);
  EXPECT_EQ(Outcomes(view.baselines[0]), "targetToupgraded applied #targetToupgraded applied");
  const auto report = msptool::CheckFileRules(root, TransformList(p.body), {p.baseline});
  EXPECT_TRUE(report.problems.empty()) << Joined(report.problems);
  EXPECT_NE(Joined(report.lines).find(kWindowsMadeProduct + " patch.txt: whole, replaced"),
            std::string::npos)
      << Joined(report.lines);
}

struct PatchTransformRevision {
  const char* name;
  std::function<std::string(const msptool::Transform& data)> revision;
  std::string why;  // empty: #T1 applies
};

class PatchTransformRevisionTest : public testing::TestWithParam<PatchTransformRevision> {};

TEST_P(PatchTransformRevisionTest, PatchTransformValidatesAfterItsDataTransform) {
  TempDir dir;
  auto patch = Derived({SmallTarget(kProduct, "1.0.0.0", "1.0.1.0")});
  auto& transforms = patch.body.transforms;
  // As derived, #T1 names the upgraded product twice.
  EXPECT_EQ(transforms[1].summary.revision,
            kProduct + "1.0.1.0;" + kProduct + "1.0.1.0;" + kSmallUpgradeCode);
  transforms[1].summary.revision = GetParam().revision(transforms[0]);
  const auto root = Written(patch.summary, patch.body, dir / "p.msp");
  const auto baseline = SmallProduct(kProduct, "1.0.0.0", 1);
  const auto view = msptool::ApplyAsWindows(root, TransformList(patch.body), {baseline});
  const auto& outcome = view.baselines[0].transforms[1];
  if (GetParam().why.empty()) {
    EXPECT_TRUE(outcome.applied) << outcome.why;
    EXPECT_TRUE(view.problems.empty()) << Joined(view.problems);
    return;
  }
  EXPECT_FALSE(outcome.applied);
  EXPECT_NE(outcome.why.find(GetParam().why), std::string::npos) << outcome.why;
  // An authored package with it fails the check.
  std::string error;
  ASSERT_TRUE(WriteSmallDatabase(baseline, dir / "base.msi", error)) << error;
  const auto run =
      RunMspTool({"check", "--authored", dir / "p.msp", "--baselines", dir / "base.msi"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find("transform \"#T1\" for " + kProduct + " 1.0.0.0 skipped"),
            std::string::npos)
      << run.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, PatchTransformRevisionTest,
    testing::Values(
        PatchTransformRevision{"as_derived_upgraded_twice",
                               [](const auto&) {
                                 return kProduct + "1.0.1.0;" + kProduct + "1.0.1.0;" +
                                        kSmallUpgradeCode;
                               },
                               ""},
        PatchTransformRevision{"baseline_then_upgraded",
                               [](const auto& data) { return data.summary.revision; },
                               "installed version \"1.0.1.0\" is not equal to the transform's "
                               "base version \"1.0.0.0\""},
        PatchTransformRevision{"another_upgrade_code",
                               [](const auto&) {
                                 return kProduct + "1.0.1.0;" + kProduct +
                                        "1.0.1.0;{00000000-0000-0000-0000-0000000000BB}";
                               },
                               "upgrade code"},
        PatchTransformRevision{"another_product",
                               [](const auto&) {
                                 return "{00000000-0000-0000-0000-000000000001}1.0.1.0;;" +
                                        kSmallUpgradeCode;
                               },
                               "product code"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorCondition {
  const char* name;
  std::function<void(msi::Database& baseline)> installed;  // how the product differs
  std::uint16_t suppressed;                                // T1's and #T1's lower word
  std::string failure;                                     // empty: both apply
};

class ErrorConditionTest : public testing::TestWithParam<ErrorCondition> {};

TEST_P(ErrorConditionTest, ConditionFailsTheTransformUnlessSuppressed) {
  TempDir dir;
  auto patch = Derived({SmallTarget(kProduct, "1.0.0.0", "1.0.1.0")});
  for (auto& t : patch.body.transforms) t.summary.errorConditions = GetParam().suppressed;
  const auto root = Written(patch.summary, patch.body, dir / "p.msp");
  auto baseline = SmallProduct(kProduct, "1.0.0.0", 1);
  GetParam().installed(baseline);
  const auto view = msptool::ApplyAsWindows(root, TransformList(patch.body), {baseline});
  if (GetParam().failure.empty()) {
    EXPECT_EQ(Outcomes(view.baselines[0]), "T1 applied #T1 applied");
    EXPECT_TRUE(view.problems.empty()) << Joined(view.problems);
  } else {
    EXPECT_NE(Joined(view.problems).find(GetParam().failure), std::string::npos)
        << Joined(view.problems);
  }
}

void WithoutFile(msi::Database& db) { TableOf(db, msptool::kFileTable).rows.clear(); }
void WithPackageCodeProperty(msi::Database& db) {
  TableOf(db, msptool::kPropertyTable)
      .rows.push_back({Value::String("PATCHNEWPACKAGECODE"), Value::String("{X}")});
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ErrorConditionTest,
    testing::Values(ErrorCondition{"as_derived", [](auto&) {}, 0x0007, ""},
                    ErrorCondition{"update_missing_row", WithoutFile, 0x0007,
                                   "transform \"T1\" for " + kProduct +
                                       " 1.0.0.0 fails: table File has no row f.txt to change"},
                    ErrorCondition{"update_missing_row_suppressed", WithoutFile, 0x0017, ""},
                    ErrorCondition{"add_existing_row", WithPackageCodeProperty, 0x0006,
                                   "transform \"#T1\" for " + kProduct +
                                       " 1.0.0.0 fails: table Property already has a row "
                                       "PATCHNEWPACKAGECODE"},
                    ErrorCondition{"add_existing_row_suppressed", WithPackageCodeProperty, 0x0001,
                                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowsViewTest, ProductWithTwoBaselinesIsListedOnceAndEachBaselineTakesItsPair) {
  TempDir dir;
  const auto patch =
      Derived({SmallTarget(kProduct, "1.0.0", "1.0.2"), SmallTarget(kProduct, "1.0.1", "1.0.2")});
  EXPECT_EQ(patch.summary.targets, kProduct);
  EXPECT_EQ(patch.summary.keywords, "1.0.2;1.0.0,1.0.1,");
  EXPECT_EQ(TransformList(patch.body), ":T1;:#T1;:T2;:#T2");
  const auto root = Written(patch.summary, patch.body, dir / "p.msp");
  const auto view = msptool::ApplyAsWindows(
      root, TransformList(patch.body),
      {SmallProduct(kProduct, "1.0.0", 1), SmallProduct(kProduct, "1.0.1", 1)});
  EXPECT_TRUE(view.problems.empty()) << Joined(view.problems);
  EXPECT_EQ(Outcomes(view.baselines[0]), "T1 applied #T1 applied T2 skipped #T2 applied");
  EXPECT_EQ(Outcomes(view.baselines[1]), "T1 skipped #T1 skipped T2 applied #T2 applied");
  for (const auto& b : view.baselines)
    EXPECT_EQ(msi::PropertyValue(b.result, "ProductVersion"), "1.0.2");
  // The command line says the same, and the package passes the authored check.
  std::string error;
  ASSERT_TRUE(WriteSmallDatabase(SmallProduct(kProduct, "1.0.0", 1), dir / "a.msi", error));
  ASSERT_TRUE(WriteSmallDatabase(SmallProduct(kProduct, "1.0.1", 1), dir / "b.msi", error));
  const auto run = RunMspToolShowingOutput(
      {"check", "--authored", dir / "p.msp", "--baselines", dir / "a.msi", dir / "b.msi"});
  EXPECT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_NE(run.standardError.find(kProduct + " 1.0.1: transform \"T1\" skipped: installed "
                                              "version \"1.0.1\" is not equal to the "
                                              "transform's base version \"1.0.0\""),
            std::string::npos)
      << run.standardError;
}

// f.txt's MsiFileHash row: the file of `size` bytes.
void HashFile(msi::Database& db, int size) {
  TableOf(db, msptool::kMsiFileHashTable)
      .rows.push_back({Value::String("f.txt"), Value::Integer(0), Value::Integer(size),
                       Value::Integer(size), Value::Integer(size), Value::Integer(size)});
}

// A file that changed from the first baseline only is right already in the
// second: the second's patch transform leaves it where it is, and Windows'
// file rules (which would keep it, by its hash) have nothing to say.
TEST(WindowsViewTest, CumulativePatchLeavesWhatASecondBaselineHasRight) {
  TempDir dir;
  auto first = SmallTarget(kProduct, "1.0.0", "1.0.2");
  auto second = SmallTarget(kProduct, "1.0.1", "1.0.2");
  second.baseline = SmallProduct(kProduct, "1.0.1", 2);  // f.txt as 1.0.2 has it
  HashFile(first.baseline, 1);
  for (auto* db : {&first.upgraded, &second.baseline, &second.upgraded}) HashFile(*db, 2);
  const auto patch = Derived({first, second});
  for (const auto& t : patch.body.transforms[3].diff.tables)
    EXPECT_NE(t.name, "File") << "#T2 renumbers a file 1.0.1 has right";
  std::string error;
  ASSERT_TRUE(WriteSmallDatabase(first.baseline, dir / "a.msi", error));
  ASSERT_TRUE(WriteSmallDatabase(second.baseline, dir / "b.msi", error));
  Written(patch.summary, patch.body, dir / "p.msp");
  const auto run = RunMspToolShowingOutput(
      {"check", "--authored", dir / "p.msp", "--baselines", dir / "a.msi", dir / "b.msi"});
  EXPECT_EQ(run.exitStatus, 0) << run.standardError;
}

// The sequence a patch transform gives f.txt and the patch's Media row.
std::pair<std::int32_t, std::int32_t> PatchSequences(const msptool::Transform& t) {
  std::pair<std::int32_t, std::int32_t> found{-1, -1};
  for (const auto& table : t.diff.tables) {
    const auto column = [&](const char* name) {
      for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].name == name) return i;
      return table.columns.size();
    };
    if (table.name == "File" && !table.updated.empty())
      found.first = table.updated[0].after[column("Sequence")].number;
    if (table.name == "Media" && !table.inserted.empty())
      found.second = table.inserted[0][column("LastSequence")].number;
  }
  return found;
}

// Both patch transforms apply to a product installed from the first
// baseline: they must number the patch's files alike, though the second
// baseline's own media end later.
TEST(WindowsViewTest, CumulativePatchNumbersItsFilesOneWay) {
  auto first = SmallTarget(kProduct, "1.0.0", "1.0.2");
  auto second = SmallTarget(kProduct, "1.0.1", "1.0.2");
  for (auto* db : {&second.baseline, &second.upgraded})
    TableOf(*db, msptool::kMediaTable).rows[0][1] = Value::Integer(7);  // LastSequence
  const auto patch = Derived({first, second});
  const auto one = PatchSequences(patch.body.transforms[1]);
  const auto two = PatchSequences(patch.body.transforms[3]);
  EXPECT_EQ(one, two);
  EXPECT_EQ(one.first, 8);
}

TEST(WindowsViewTest, BaselineNoTransformAppliesToIsAProblem) {
  TempDir dir;
  const auto patch = Derived({SmallTarget(kProduct, "1.0.0.0", "1.0.1.0")});
  const auto root = Written(patch.summary, patch.body, dir / "p.msp");
  const auto view =
      msptool::ApplyAsWindows(root, TransformList(patch.body), {SmallProduct(kProduct, "0.9", 1)});
  EXPECT_NE(Joined(view.problems)
                .find("no transform of the patch applies to baseline " + kProduct + " 0.9"),
            std::string::npos)
      << Joined(view.problems);
}

struct VersionScheme {
  const char* name;
  std::string base, upgraded, rule;
};

class VersionSchemeTest : public testing::TestWithParam<VersionScheme> {};

TEST_P(VersionSchemeTest, PatchOfFewerFieldsPassesItsOwnCheck) {
  TempDir dir;
  const auto& row = GetParam();
  const auto patch = Derived({SmallTarget(kProduct, row.base, row.upgraded)});
  EXPECT_EQ(patch.summary.keywords, row.rule);
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(patch.summary, patch.body, dir / "p.msp", error));
  ASSERT_TRUE(WriteSmallDatabase(SmallProduct(kProduct, row.base, 1), dir / "b.msi", error));
  const auto run = RunMspTool({"check", "--authored", dir / "p.msp", "--baselines", dir / "b.msi"});
  EXPECT_EQ(run.exitStatus, 0) << run.standardError;
}

INSTANTIATE_TEST_SUITE_P(Schemes, VersionSchemeTest,
                         testing::Values(VersionScheme{"three_fields", "1.0.0", "1.0.1",
                                                       "1.0.1;1.0.0,"},
                                         VersionScheme{"two_fields", "3.1", "3.2", "3.2;3.1,"},
                                         VersionScheme{"one_field", "7", "8", "8;7,"},
                                         VersionScheme{"four_fields", "16.1.63.10", "16.1.84.0",
                                                       "16.1.84.0;16.1.63.10,"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PageCounts {
  const char* name;
  int baseline, upgraded;
  std::int64_t data, patch;  // property 14 of T1 and #T1
};

class PageCountTest : public testing::TestWithParam<PageCounts> {};

TEST_P(PageCountTest, TransformsCarryTheGreaterPageCount) {
  TempDir dir;
  auto t = SmallTarget(kProduct, "1.0.0.0", "1.0.1.0");
  t.baselinePageCount = GetParam().baseline;
  t.upgradedPageCount = GetParam().upgraded;
  const auto patch = Derived({t});
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(patch.summary, patch.body, dir / "p.msp", error));
  CompoundContents contents;
  ASSERT_TRUE(ReadCompoundFile(dir / "p.msp", contents));
  const auto page = [&](const std::string& storage) {
    const auto props = ParseSummary(contents.streams[storage + "/\x05SummaryInformation"]);
    const auto found = props.find(14);
    return found == props.end() ? -1 : std::get<std::int64_t>(found->second);
  };
  EXPECT_EQ(page("T1"), GetParam().data);
  EXPECT_EQ(page("#T1"), GetParam().patch);
}

INSTANTIATE_TEST_SUITE_P(Counts, PageCountTest,
                         testing::Values(PageCounts{"upgraded_greater", 200, 301, 301, 301},
                                         PageCounts{"baseline_greater", 405, 200, 405, 405},
                                         PageCounts{"both_below_300", 100, 100, 100, 300},
                                         PageCounts{"both_500", 500, 500, 500, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

const msi::Table kCreateFolder = {"CreateFolder",
                                  {{"Directory_", msi::kText | msi::kTypeKey | 72},
                                   {"Component_", msi::kText | msi::kTypeKey | 72}},
                                  {}};
const msi::Table kRegistry = {"Registry",
                              {{"Registry", msi::kText | msi::kTypeKey | 72},
                               {"Root", msi::kShortInteger},
                               {"Key", msi::kText | 255},
                               {"Component_", msi::kText | 72}},
                              {}};

struct AddedRow {
  const char* name;
  const msi::Table* table;
  msi::Row row;
  bool blocksRemoval;
};

class RemovalTest : public testing::TestWithParam<AddedRow> {};

TEST_P(RemovalTest, RemovablePatchRefusesRowsWindowsWouldNotRemove) {
  auto t = SmallTarget(kProduct, "1.0.0.0", "1.0.1.0");
  TableOf(t.baseline, *GetParam().table);
  TableOf(t.upgraded, *GetParam().table).rows.push_back(GetParam().row);
  msptool::DerivedPatch patch;
  std::string error;
  const bool made = msptool::DerivePatch({t}, {}, patch, error);
  EXPECT_EQ(made, !GetParam().blocksRemoval) << error;
  if (GetParam().blocksRemoval) {
    EXPECT_NE(error.find("table " + GetParam().table->name + ", row " + GetParam().row[0].text),
              std::string::npos)
        << error;
  }
  // Not removable, it is made, and says so.
  msptool::PatchOptions options;
  options.removable = false;
  ASSERT_TRUE(msptool::DerivePatch({t}, options, patch, error)) << error;
  auto& metadata = TableOf(patch.body.rootTables, msptool::kMsiPatchMetadataTable);
  const auto allow = std::find_if(metadata.rows.begin(), metadata.rows.end(),
                                  [](const auto& r) { return r[1].text == "AllowRemoval"; });
  ASSERT_NE(allow, metadata.rows.end());
  EXPECT_EQ((*allow)[2].text, "0");
  // Marked removable after all, the check's view of Windows finds the row.
  (*allow)[2] = Value::String("1");
  TempDir dir;
  const auto root = Written(patch.summary, patch.body, dir / "p.msp");
  const auto view = msptool::ApplyAsWindows(root, TransformList(patch.body), {t.baseline});
  EXPECT_EQ(Joined(view.problems).find("Uninstallable Patches") != std::string::npos,
            GetParam().blocksRemoval)
      << Joined(view.problems);
}

INSTANTIATE_TEST_SUITE_P(Tables, RemovalTest,
                         testing::Values(AddedRow{"create_folder",
                                                  &kCreateFolder,
                                                  {Value::String("LogFolder"), Value::String("C")},
                                                  true},
                                         AddedRow{"registry_value",
                                                  &kRegistry,
                                                  {Value::String("Reg1"), Value::Integer(2),
                                                   Value::String("Software"), Value::String("C")},
                                                  false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct VersionedChange {
  const char* name;
  std::string base, upgraded;  // f.txt's versions
  int upgradedSize;            // the baseline's is 1
  bool refused;
};

class VersionedFileTest : public testing::TestWithParam<VersionedChange> {};

TEST_P(VersionedFileTest, ChangedFileNeedsAHigherVersion) {
  auto t = SmallTarget(kProduct, "1.0.0.0", "1.0.1.0");
  for (auto* db : {&t.baseline, &t.upgraded}) {
    auto& file = TableOf(*db, msptool::kFileTable);
    const bool upgraded = db == &t.upgraded;
    file.rows[0][file.ColumnIndex("Version")] =
        Value::String(upgraded ? GetParam().upgraded : GetParam().base);
    if (upgraded)
      file.rows[0][file.ColumnIndex("FileSize")] = Value::Integer(GetParam().upgradedSize);
  }
  msptool::DerivedPatch patch;
  std::string error;
  EXPECT_EQ(msptool::DerivePatch({t}, {}, patch, error), !GetParam().refused) << error;
  if (GetParam().refused) {
    EXPECT_NE(error.find("table File, row f.txt: the file changes but its version stays \"" +
                         GetParam().upgraded + "\""),
              std::string::npos)
        << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionedFileTest,
    testing::Values(VersionedChange{"same_version_new_size", "2.5.0.0", "2.5.0.0", 2, true},
                    VersionedChange{"same_version_short_form", "2.5", "2.5.0.0", 2, true},
                    VersionedChange{"higher_version", "2.5.0.0", "2.5.0.1", 2, false},
                    VersionedChange{"same_version_unchanged", "2.5.0.0", "2.5.0.0", 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace toolstest
