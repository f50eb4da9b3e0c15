// Deltas in a derived patch, over the family's German pair: which files go
// as deltas under each policy and why the others stay whole, the Patch rows
// and header streams the patch transform gets in place of renumbered File
// rows, and the carried delta turning the baseline's file into the upgraded.
#include <gtest/gtest.h>

#include <filesystem>

#include "checks/file_rules.h"
#include "compound/reader.h"
#include "delta/delta.h"
#include "msi/database.h"
#include "msi/database_reader.h"
#include "patch/carried_files.h"
#include "patch/delta_files.h"
#include "patch/delta_verification.h"
#include "patch/inputs.h"
#include "summary/summary_stream.h"
#include "support/authoring.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::DeltaPolicy;
using testsupport::TempDir;

const std::string kGerman = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";

// The staged files of a release, beside its packages.
std::string ReleaseFile(const std::string& release, const std::string& name) {
  return (std::filesystem::path(ProductPackage(kGerman, release)).parent_path() / "files" / name)
      .string();
}

struct Derived {
  std::vector<msptool::PatchTarget> targets;
  msptool::DerivedPatch patch;
  std::vector<msptool::CarriedForm> forms;
};

// The German pair's patch with its files extracted into `folder` and
// deltas made under `policy`.
Derived DeriveWithDeltas(DeltaPolicy policy, const std::string& folder) {
  Derived d;
  std::string digest, error;
  EXPECT_TRUE(msptool::ReadPatchTargets(
      {{ProductPackage(kGerman, "16.1.63.10"), ProductPackage(kGerman, "16.1.84.0")}}, d.targets,
      digest, error))
      << error;
  EXPECT_TRUE(msptool::DerivePatch(d.targets, {}, d.patch, error)) << error;
  EXPECT_TRUE(
      msptool::ExtractCarriedFiles(d.targets, d.patch.carried, folder, d.patch.body.files, error))
      << error;
  EXPECT_TRUE(msptool::UseDeltas(d.targets, policy, folder, d.patch, d.forms, error)) << error;
  return d;
}

const msptool::CarriedForm* FormOf(const Derived& d, const std::string& key) {
  for (const auto& f : d.forms)
    if (f.key == key) return &f;
  return nullptr;
}

const msptool::msi::TableDiff* TableOf(const msptool::Transform& t, const std::string& name) {
  for (const auto& table : t.diff.tables)
    if (table.name == name) return &table;
  return nullptr;
}

struct PolicyCase {
  const char* name;
  DeltaPolicy policy;
  const char* key;
  bool delta;
  const char* reason;  // part of why it stays whole
};

class DeltaPolicyTest : public testing::TestWithParam<PolicyCase> {};

TEST_P(DeltaPolicyTest, FileGoesAsDeltaOrWholeForItsReason) {
  const TempDir dir;
  const auto& c = GetParam();
  const Derived d = DeriveWithDeltas(c.policy, dir.path());
  const msptool::CarriedForm* form = FormOf(d, c.key);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->delta, c.delta) << form->reason;
  EXPECT_NE(form->reason.find(c.reason), std::string::npos) << form->reason;
}

INSTANTIATE_TEST_SUITE_P(
    Policies, DeltaPolicyTest,
    testing::Values(PolicyCase{"versioned_dll_under_versioned", DeltaPolicy::kVersioned,
                               "quillmark.dll", true, ""},
                    PolicyCase{"text_under_versioned", DeltaPolicy::kVersioned, "readme.txt", false,
                               "an unversioned file"},
                    PolicyCase{"text_under_all_is_smaller_whole", DeltaPolicy::kAll, "readme.txt",
                               false, "no smaller than the whole file compressed"},
                    PolicyCase{"new_file", DeltaPolicy::kAll, "letter.qmt", false, "new in"},
                    PolicyCase{"nothing_asked", DeltaPolicy::kNone, "quillmark.dll", false,
                               "no delta asked for"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeltaFilesTest, PatchRowTakesTheFileRowsPlaceInThePatchMedia) {
  const TempDir whole, deltas;
  const Derived before = DeriveWithDeltas(DeltaPolicy::kNone, whole.path());
  const Derived after = DeriveWithDeltas(DeltaPolicy::kVersioned, deltas.path());
  const msptool::Transform& was = before.patch.body.transforms[1];
  const msptool::Transform& is = after.patch.body.transforms[1];
  ASSERT_EQ(is.name, "#T1");
  // The File row the whole-file patch renumbers is left at its baseline place.
  std::int32_t sequence = -1;
  const msptool::msi::TableDiff* wasFile = TableOf(was, "File");
  for (const auto& u : wasFile->updated)
    if (u.after[0].text == "quillmark.dll")
      for (std::size_t i = 0; i < wasFile->columns.size(); ++i)
        if (wasFile->columns[i].name == "Sequence") sequence = u.after[i].number;
  ASSERT_GT(sequence, 0);
  for (const auto& u : TableOf(is, "File")->updated) EXPECT_NE(u.after[0].text, "quillmark.dll");
  EXPECT_EQ(TableOf(is, "File")->updated.size(), wasFile->updated.size() - 1);

  const msptool::msi::TableDiff* patch = TableOf(is, "Patch");
  ASSERT_NE(patch, nullptr);
  ASSERT_EQ(patch->inserted.size(), 1u);
  const auto& row = patch->inserted[0];
  const msptool::CarriedForm* form = FormOf(after, "quillmark.dll");
  EXPECT_EQ(row[0].text, "quillmark.dll");
  EXPECT_EQ(row[1].number, sequence);
  EXPECT_EQ(row[2].number, static_cast<std::int32_t>(form->carriedSize));
  EXPECT_EQ(row[3].number, 0);  // vital
  EXPECT_EQ(row[4].kind, msptool::msi::Value::Kind::Stream);
  const auto header = is.streams.find(msptool::PatchHeaderStream("quillmark.dll", sequence));
  ASSERT_NE(header, is.streams.end());

  // The cabinet's entry is the delta, whose header the stream holds, and it
  // makes the upgraded file from the baseline's.
  delta::Bytes carried, old_file, new_file;
  for (const auto& f : after.patch.body.files)
    if (f.name == "quillmark.dll") {
      const std::string bytes = testsupport::ReadFileBytes(f.path);
      carried.assign(bytes.begin(), bytes.end());
    }
  const std::string oldBytes =
      testsupport::ReadFileBytes(ReleaseFile("16.1.63.10", "quillmark.dll"));
  const std::string newBytes =
      testsupport::ReadFileBytes(ReleaseFile("16.1.84.0", "quillmark.dll"));
  old_file.assign(oldBytes.begin(), oldBytes.end());
  new_file.assign(newBytes.begin(), newBytes.end());
  ASSERT_EQ(carried.size(), form->carriedSize);
  EXPECT_LT(carried.size(), new_file.size() / 4);
  const delta::Bytes headerAlone = delta::DeltaHeader(carried).bytes;
  EXPECT_EQ(std::string(headerAlone.begin(), headerAlone.end()), header->second);
  const delta::DeltaOutcome applied = delta::ApplyDelta(carried, old_file);
  ASSERT_EQ(applied.result, delta::DeltaResult::kOk);
  EXPECT_TRUE(applied.bytes == new_file);
  // Met again, the delta leaves the upgraded file as it is.
  const delta::DeltaOutcome again = delta::ApplyDelta(carried, new_file);
  ASSERT_EQ(again.result, delta::DeltaResult::kOk);
  EXPECT_TRUE(again.bytes == new_file);
  EXPECT_EQ(form->oldFiles, 1u);
}

TEST(DeltaFilesTest, SameInputsGiveTheSameDeltas) {
  const TempDir a, b;
  const Derived one = DeriveWithDeltas(DeltaPolicy::kAll, a.path());
  const Derived two = DeriveWithDeltas(DeltaPolicy::kAll, b.path());
  ASSERT_EQ(one.patch.body.files.size(), two.patch.body.files.size());
  for (std::size_t i = 0; i < one.patch.body.files.size(); ++i)
    EXPECT_EQ(testsupport::ReadFileBytes(one.patch.body.files[i].path),
              testsupport::ReadFileBytes(two.patch.body.files[i].path));
}

// The German baseline as the delta patch at `path` leaves it, as "check
// --baselines" applies it.
msptool::msi::Database Patched(const std::string& path, const msptool::msi::Database& baseline) {
  msptool::CompoundEntry root;
  std::string error;
  EXPECT_TRUE(msptool::ReadCompoundStreams(
      path, root, error,
      [](const std::string& name, int depth) {
        return name == msptool::kSummaryStreamName ? msptool::StreamContent::Bytes
                                                   : msptool::msi::DatabaseStreams(name, depth);
      }))
      << error;
  msptool::FileRuleReport report = msptool::CheckFileRules(root, ":T1;:#T1", {baseline});
  EXPECT_EQ(report.patched.size(), 1u);
  return report.patched.empty() ? baseline : report.patched[0];
}

struct Tampering {
  const char* name;
  const char* table;
  const char* column;
  std::int32_t value;  // put into the quillmark.dll row
  const char* problem;
};

class DeltaProofTest : public testing::TestWithParam<Tampering> {};

// A delta is proven on the bytes: a patched database that says other than
// what the delta makes is a problem, naming product and file.
TEST_P(DeltaProofTest, DeltaThatDoesNotMakeTheDescribedFileIsAProblem) {
  const TempDir dir;
  std::string error;
  const std::string baselinePath = ProductPackage(kGerman, "16.1.63.10");
  msptool::PatchOptions options;
  options.delta = DeltaPolicy::kVersioned;
  ASSERT_TRUE(msptool::CreatePatch({{baselinePath, ProductPackage(kGerman, "16.1.84.0")}}, options,
                                   dir / "p.msp", error))
      << error;
  msptool::msi::Database baseline;
  ASSERT_TRUE(msptool::msi::ReadDatabase(baselinePath, baseline, error)) << error;
  msptool::msi::Database patched = Patched(dir / "p.msp", baseline);
  const Tampering& t = GetParam();
  if (*t.table) {
    auto& table = const_cast<msptool::msi::Table&>(*patched.Find(t.table));
    for (auto& row : table.rows)
      if (row[0].text == "quillmark.dll") row[table.ColumnIndex(t.column)].number = t.value;
  }
  const msptool::DeltaProof proof =
      msptool::VerifyDeltas(dir / "p.msp", baselinePath, baseline, patched);
  if (!*t.problem) {
    EXPECT_TRUE(proof.problems.empty()) << proof.problems[0];
    ASSERT_EQ(proof.lines.size(), 1u);
    EXPECT_NE(proof.lines[0].find(kGerman + " quillmark.dll: delta of "), std::string::npos)
        << proof.lines[0];
    return;
  }
  ASSERT_EQ(proof.problems.size(), 1u);
  EXPECT_NE(proof.problems[0].find(kGerman + " quillmark.dll: " + t.problem), std::string::npos)
      << proof.problems[0];
}

INSTANTIATE_TEST_SUITE_P(
    Tamperings, DeltaProofTest,
    testing::Values(Tampering{"intact", "", "", 0, ""},
                    // The size it makes is the engine's, whatever the build.
                    Tampering{"file_size", "File", "FileSize", 7000, "the delta makes "},
                    Tampering{"patch_size", "Patch", "PatchSize", 3, "PatchSize 3 is not"},
                    Tampering{"sequence_outside_the_media", "Patch", "Sequence", 30000,
                              "the patch's cabinet for sequence 30000"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StreamNameCase {
  std::string name;
  bool fits;
};

class StreamNameFitsTest : public testing::TestWithParam<StreamNameCase> {};

// Characters of the installer's 64-symbol alphabet pack two to a unit, and a
// compound file's entry holds 31 units.
TEST_P(StreamNameFitsTest, ThirtyOneUnitsFit) {
  EXPECT_EQ(msptool::StreamNameFits(GetParam().name), GetParam().fits) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, StreamNameFitsTest,
                         testing::Values(StreamNameCase{"Patch.quillmark.dll.5", true},
                                         StreamNameCase{std::string(62, 'a'), true},
                                         StreamNameCase{std::string(63, 'a'), false},
                                         StreamNameCase{std::string(31, '-'), true},
                                         StreamNameCase{std::string(32, '-'), false}));

}  // namespace
}  // namespace toolstest
