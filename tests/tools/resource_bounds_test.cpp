// msp_tool's memory and time on packages made to exhaust them, measured by
// the harness (support/limited_run.h): within 2 GiB and 60 s of processor
// time, or the run fails. One long string named by 170,000 cells (held once,
// not once a cell), 200,000 two-column keys that all collided in groups in a
// hash of their values (a sorted index has no bad keys); 10,000 carried
// files.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include <filesystem>

#include "cabinet/writer.h"
#include "msi/database_reader.h"
#include "msi/standard_tables.h"
#include "support/authoring.h"
#include "support/limited_run.h"
#include "support/package_copy.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::msi::Database;
using msptool::msi::Table;
using msptool::msi::Value;
using testsupport::TempDir;
namespace msi = msptool::msi;

const std::string kGerman = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";

// 170,000 rows of 6 bytes (1 MB of table), every one naming one string of
// 60,000 bytes: 10 GB when each cell copies it.
Table OneStringManyCells() {
  Table t{"Notes", {{"Id", msi::kLongInteger | msi::kTypeKey}, {"Text", msi::kText}}, {}};
  const Value text = Value::String(std::string(60000, 'x'));
  for (int i = 0; i < 170000; ++i) t.rows.push_back({Value::Integer(i + 1), text});
  return t;
}

// 200,000 keys (a, b) whose weighted sum a * 31 * 1000003 + b is the same in
// each group of 139, as a hash that combines values linearly has them.
Table CollidingKeys() {
  Table t{"Pairs",
          {{"A", msi::kLongInteger | msi::kTypeKey}, {"B", msi::kLongInteger | msi::kTypeKey}},
          {}};
  constexpr std::int64_t kStep = 31 * 1000003;
  for (int i = 0; t.rows.size() < 200000; ++i) {
    const std::int64_t d = i % 139 - 69, group = i / 139;
    t.rows.push_back({Value::Integer(static_cast<std::int32_t>(d + 1000 * group)),
                      Value::Integer(static_cast<std::int32_t>(-kStep * d))});
  }
  return t;
}

struct BoundCase {
  const char* name;
  std::function<Table()> table;  // added to the upgraded package
  // diff prints every cell it shows: a text as long as the texts it prints.
  bool diff;
};

class ResourceBoundTest : public testing::TestWithParam<BoundCase> {};

TEST_P(ResourceBoundTest, CreateTransformDiffAndCheckStayWithinBounds) {
  TempDir dir;
  const std::string baseline = ProductPackage(kGerman, "16.1.63.10");
  const std::string upgraded = ProductPackage(kGerman, "16.1.84.0");
  Database db;
  std::string error;
  ASSERT_TRUE(msi::ReadDatabase(upgraded, db, error)) << error;
  db.tables.push_back(GetParam().table());
  WritePackageCopy(upgraded, db, dir / "u.msi");
  std::vector<std::vector<std::string>> commands = {
      {"transform", baseline, dir / "u.msi", dir / "t.mst"},
      {"create", dir / "p.msp", baseline, dir / "u.msi"},
      {"check", "--authored", dir / "p.msp", "--baselines", baseline}};
  if (GetParam().diff) commands.push_back({"diff", baseline, dir / "u.msi"});
  for (const auto& args : commands) {
    const LimitedRun run = RunMspToolLimited(args);
    EXPECT_EQ(run.exitStatus, 0) << args[0] << ": " << run.standardError;
    EXPECT_LT(run.peakBytes, kMostBytes) << args[0];
    EXPECT_LT(run.seconds, kMostSeconds) << args[0];
    std::cout << GetParam().name << ": " << args[0] << " peak " << run.peakBytes / (1 << 20)
              << " MiB, " << run.seconds << " s\n";
  }
}

INSTANTIATE_TEST_SUITE_P(Bounds, ResourceBoundTest,
                         testing::Values(BoundCase{"one_string_many_cells", OneStringManyCells,
                                                   false},
                                         BoundCase{"colliding_keys", CollidingKeys, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// 10,000 new files in a cabinet beside the package: each cabinet is read
// once, and every file found by index, so create and check take time in
// proportion to the files.
TEST(ResourceBoundTest, ManyChangedFilesTakeTimeInProportion) {
  constexpr int kFiles = 10000;
  TempDir dir;
  const std::string baseline = ProductPackage(kGerman, "16.1.63.10");
  const std::string upgraded = ProductPackage(kGerman, "16.1.84.0");
  Database db;
  std::string error;
  ASSERT_TRUE(msi::ReadDatabase(upgraded, db, error)) << error;
  const std::string component =
      msi::Cell(*db.Find("File"), RowOf(db, "File", "readme.txt"), "Component_").text;
  std::filesystem::create_directories(dir / "pkg/in");
  std::vector<msptool::CabinetFile> files;
  for (auto& t : db.tables) {
    if (t.name == "File")
      for (int i = 0; i < kFiles; ++i) {
        const std::string key = "f" + std::to_string(i);
        t.rows.push_back(msptool::NamedRow(t, {{"File", Value::String(key)},
                                               {"Component_", Value::String(component)},
                                               {"FileName", Value::String(key + ".txt")},
                                               {"FileSize", Value::Integer(1)},
                                               {"Sequence", Value::Integer(1000 + i)}}));
        testsupport::WriteFileBytes(dir / ("pkg/in/" + key), "x");
        files.push_back({key, dir / ("pkg/in/" + key), 1});
      }
    if (t.name == "Media")
      t.rows.push_back(msptool::NamedRow(t, {{"DiskId", Value::Integer(2)},
                                             {"LastSequence", Value::Integer(1000 + kFiles)},
                                             {"Cabinet", Value::String("many.cab")}}));
  }
  ASSERT_TRUE(msptool::WriteCabinet(files, dir / "pkg/many.cab", error)) << error;
  WritePackageCopy(upgraded, db, dir / "pkg/u.msi");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"create", dir / "p.msp", baseline, dir / "pkg/u.msi"},
        {"check", "--authored", dir / "p.msp", "--baselines", baseline}}) {
    const LimitedRun run = RunMspToolLimited(args);
    EXPECT_EQ(run.exitStatus, 0) << args[0] << ": " << run.standardError;
    EXPECT_LT(run.seconds, kMostSeconds) << args[0];
    std::cout << "many files: " << args[0] << " " << run.seconds << " s\n";
  }
}

}  // namespace
}  // namespace toolstest
