// The package msp_tool derives from the pairs resources/package.def names,
// read back and applied as the installer applies it: each data transform
// turns its baseline database into exactly the upgraded one; each patch
// transform then moves the changed files onto the patch's own media; the
// root carries the version rule, MsiPatchSequence and MsiPatchMetadata; the
// cabinet holds the upgraded files; every run writes the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "compound/reader.h"
#include "msi/database_reader.h"
#include "msi/transform_reader.h"
#include "patch/definition.h"
#include "support/authoring.h"
#include "support/package_reader.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::msi::Database;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

std::string Cell(const Database& db, const std::string& table, const std::string& key,
                 const std::string& column) {
  const auto* t = db.Find(table);
  for (const auto& row : t ? t->rows : std::vector<msptool::msi::Row>{})
    if (row[0].text == key) {
      const auto& v = row[t->ColumnIndex(column)];
      return v.kind == msptool::msi::Value::Kind::Integer ? std::to_string(v.number) : v.text.str();
    }
  return "(none)";
}

class AuthoredPackageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    const auto run = RunMspTool({"author", DefinitionIn(dir_->path()), *dir_ / "p.msp"});
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::string error;
    ASSERT_TRUE(msptool::ReadCompoundStreams(
        *dir_ / "p.msp", root_, error, [](const std::string& name, int depth) {
          return name == "\x05SummaryInformation" ? msptool::StreamContent::Bytes
                                                  : msptool::msi::DatabaseStreams(name, depth);
        }));
    ASSERT_TRUE(msptool::ParseDefinition(ReadFileBytes(DefinitionIn(dir_->path())), def_, error));
  }
  static void TearDownTestSuite() { delete dir_; }

  // Transform `name` applied to `db`.
  static void ApplyTransform(const std::string& name, Database& db) {
    const auto* storage = msptool::Child(root_, name);
    ASSERT_NE(storage, nullptr) << name;
    msptool::msi::DatabaseDiff diff;
    std::vector<std::string> unknown;
    std::string error;
    ASSERT_TRUE(msptool::msi::ReadTransform(*storage, db, diff, unknown, error)) << error;
    ASSERT_TRUE(msptool::msi::Apply(diff, db, error)) << name << ": " << error;
  }

  static inline TempDir* dir_ = nullptr;
  static inline msptool::CompoundEntry root_;
  static inline msptool::Definition def_;
};

TEST_F(AuthoredPackageTest, SummaryNamesThePairsAndThePackagesVersionRule) {
  CompoundContents contents;
  ASSERT_TRUE(ReadCompoundFile(*dir_ / "p.msp", contents));
  auto summary = ParseSummary(contents.streams["\x05SummaryInformation"]);
  const auto targets = def_.All("target");
  std::string list, transforms;
  for (std::size_t n = 1; n <= targets.size(); ++n) {
    list += (n > 1 ? ";" : "") + targets[n - 1];
    transforms += (n > 1 ? ";:T" : ":T") + std::to_string(n) + ";:#T" + std::to_string(n);
  }
  EXPECT_EQ(std::get<std::string>(summary[5]), "16.1.84.0;16.1.63.10,");
  EXPECT_EQ(std::get<std::string>(summary[7]), list);
  EXPECT_EQ(std::get<std::string>(summary[8]), transforms);
  EXPECT_EQ(std::get<std::string>(summary[9]), def_.One("patch-code"));
  EXPECT_EQ(std::get<std::int64_t>(summary[15]), 4);  // Windows Installer 3.0
  EXPECT_EQ(std::get<std::int64_t>(summary[19]), 4);  // read-only enforced
}

// Checked for the German, Japanese (a name outside ASCII) and last targets.
TEST_F(AuthoredPackageTest, EachPairTurnsTheBaselineIntoTheUpgradeThenMovesItsFiles) {
  const auto targets = def_.All("target");
  for (const std::size_t n : {1u, 3u, 21u}) {
    const std::string& code = targets[n - 1];
    SCOPED_TRACE(code);
    Database db, upgraded;
    std::string error;
    ASSERT_TRUE(msptool::msi::ReadDatabase(ProductPackage(code, "16.1.63.10"), db, error));
    ASSERT_TRUE(msptool::msi::ReadDatabase(ProductPackage(code, "16.1.84.0"), upgraded, error));
    const std::string name = "T" + std::to_string(n);
    ApplyTransform(name, db);
    for (const auto& table : upgraded.tables) {
      ASSERT_NE(db.Find(table.name), nullptr) << table.name;
      EXPECT_EQ(db.Find(table.name)->rows, table.rows) << table.name;
    }
    ApplyTransform("#" + name, db);
    // The four files, patch-added (the vital bit kept), after the product's
    // four sequences, on the Media row after the product's one.
    int sequence = 5;
    for (const char* file : {"readme.txt", "quillmark.dat", "quillmark.dll", "letter.qmt"}) {
      EXPECT_EQ(Cell(db, "File", file, "Attributes"), std::to_string(0x1200)) << file;
      EXPECT_EQ(Cell(db, "File", file, "Sequence"), std::to_string(sequence++)) << file;
    }
    std::string digits = def_.One("patch-code");
    std::erase_if(digits, [](char c) { return c == '{' || c == '}' || c == '-'; });
    const auto* media = db.Find("Media");
    ASSERT_EQ(media->rows.size(), 2u);
    EXPECT_EQ(media->rows[1][0].number, 2);
    EXPECT_EQ(media->rows[1][1].number, 8);
    EXPECT_EQ(media->rows[1][3].text, "#CAB" + digits);
    EXPECT_EQ(media->rows[1][5].text, "PATCHSOURCE" + digits);
    EXPECT_EQ(Cell(db, "PatchPackage", def_.One("patch-code"), "Media_"), "2");
    EXPECT_EQ(Cell(db, "Property", "PATCHNEWSUMMARYSUBJECT", "Value"),
              Cell(upgraded, "Property", "ProductName", "Value"));
    for (const char* table : {"InstallExecuteSequence", "AdminExecuteSequence"})
      EXPECT_EQ(Cell(db, table, "PatchFiles", "Sequence"), "4001") << table;
  }
}

TEST_F(AuthoredPackageTest, TransformsValidateAsAMinorUpdateInTheTargetsCodePage) {
  for (const auto& entry : root_.children) {
    if (!entry.isStorage) continue;
    SCOPED_TRACE(entry.name);
    const auto summary = ParseSummary(msptool::Child(entry, "\x05SummaryInformation")->bytes);
    EXPECT_EQ(std::get<std::int64_t>(summary.at(16)), 0x09220007);
    // Neutral, or the products' UTF-8 where a name is not ASCII (a 16-bit
    // property: 65001 reads back as -535).
    const auto codePage = std::get<std::int64_t>(summary.at(1)) & 0xFFFF;
    EXPECT_TRUE(codePage == 0 || codePage == 65001) << codePage;
  }
}

TEST_F(AuthoredPackageTest, RootIsRemovableAndInItsFamily) {
  Database root;
  std::string error;
  ASSERT_TRUE(msptool::msi::ReadDatabase(*dir_ / "p.msp", root, error)) << error;
  const auto* sequence = root.Find("MsiPatchSequence");
  ASSERT_EQ(sequence->rows.size(), 1u);
  EXPECT_EQ(sequence->rows[0][0].text, "PF8104081BF7E043509D4C2358E08C5D1B");
  EXPECT_EQ(sequence->rows[0][2].text, "16.1.84.0");
  std::map<std::string, std::string> metadata;
  for (const auto& row : root.Find("MsiPatchMetadata")->rows) metadata[row[1].text] = row[2].text;
  EXPECT_EQ(metadata,
            (std::map<std::string, std::string>{{"AllowRemoval", "1"},
                                                {"Classification", "Service Pack"},
                                                {"Description", def_.One("comments")},
                                                {"DisplayName", def_.One("title")},
                                                {"ManufacturerName", "Quillmark"},
                                                {"MoreInfoURL", def_.One("url")},
                                                {"TargetProductName", "Quillmark Schreiber"}}));
}

TEST(AuthoringTest, EveryRunWritesTheSameBytesAndLeavesOnlyThePackage) {
  TempDir dir;
  const std::string def = DefinitionIn(dir.path());
  const auto first = RunMspTool({"author", def, dir / "first.msp"}, {{"TZ", "UTC"}});
  ASSERT_EQ(first.exitStatus, 0) << first.standardError;
  // Another clock (years, hours and seconds apart, past the two seconds a
  // cabinet's file times resolve) and another time zone: neither may show in
  // the bytes. faketime shifts the clock without waiting for it.
  const auto second = testsupport::RunProgram(
      "/usr/bin/faketime",
      {"-f", "@2031-07-15 13:37:11", SPINSTALL_MSP_TOOL, "author", def, dir / "second.msp"},
      {{"TZ", "Pacific/Auckland"}, {"ASAN_OPTIONS", "verify_asan_link_order=0"}}, ".");
  ASSERT_EQ(second.exitStatus, 0) << second.standardError;
  const std::string bytes = ReadFileBytes(dir / "first.msp");
  EXPECT_FALSE(bytes.empty());
  EXPECT_TRUE(bytes == ReadFileBytes(dir / "second.msp"));
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"first.msp", "second.msp", "package.def"}));
}

}  // namespace
}  // namespace toolstest
