// The database layer: databases written and read back, and transforms that
// turn one database into another, checked by applying them to the first.
// Among the databases: a string longer than 65,535 bytes and more than 65,535
// strings, where 2-byte lengths and references no longer do.
#include <gtest/gtest.h>

#include "compound/writer.h"
#include "msi/database_encoder.h"
#include "msi/database_reader.h"
#include "msi/table_codec.h"
#include "msi/transform_reader.h"
#include "msi/transform_writer.h"
#include "support/authoring.h"
#include "support/temp_dir.h"

namespace msptool::msi {
namespace {

using testsupport::TempDir;

const Table kNotes = {"Note",
                      {{"Note", kText | kTypeKey | 72},
                       {"Text", kText | kTypeNullable},
                       {"Size", kShortInteger | kTypeNullable},
                       {"Total", kLongInteger}},
                      {}};

Row Note(const std::string& key, const std::string& text, int size, int total) {
  return {Value::String(key), Value::String(text), Value::Integer(size), Value::Integer(total)};
}

// A database of `notes` (and a Property table) written as a file at `path`.
Database WriteNotes(const std::string& path, std::vector<Row> notes,
                    std::uint32_t codePage = 1252) {
  Database db{codePage, {kNotes}, {}};
  db.tables[0].rows = std::move(notes);
  db.tables.push_back({"Property",
                       {{"Property", kText | kTypeKey | 72}, {"Value", kText}},
                       {{Value::String("ProductCode"), Value::String("{A}")}}});
  EncodedTables tables;
  std::string error;
  EXPECT_TRUE(EncodeDatabase(db, tables, error)) << error;
  EXPECT_TRUE(CompoundFile::Write(
      path, kDatabaseClassId, [&](GsfOutfile* root) { return WriteTableStreams(root, tables); },
      error))
      << error;
  return db;
}

// `before` with the transform from `before` to `after` applied, the
// transform written to a file and read back from it.
Database RoundTrip(const TempDir& dir, const std::vector<Row>& before,
                   const std::vector<Row>& after) {
  WriteNotes(dir / "before.msi", before);
  WriteNotes(dir / "after.msi", after);
  std::string error;
  EXPECT_TRUE(WriteTransformFile(dir / "before.msi", dir / "after.msi", dir / "t.mst", error))
      << error;
  Database db, target;
  CompoundEntry transform;
  DatabaseDiff diff;
  std::vector<std::string> unknown;
  EXPECT_TRUE(ReadDatabase(dir / "before.msi", db, error)) << error;
  target = db;
  EXPECT_TRUE(ReadCompoundStreams(dir / "t.mst", transform, error, DatabaseStreams)) << error;
  EXPECT_TRUE(ReadTransform(transform, target, diff, unknown, error)) << error;
  EXPECT_TRUE(unknown.empty());
  EXPECT_TRUE(Apply(diff, db, error)) << error;
  return db;
}

std::vector<Row> Rows(const Database& db) { return db.Find("Note")->rows; }

std::vector<Row> Sorted(std::vector<Row> rows) {
  std::sort(rows.begin(), rows.end(),
            [](const Row& a, const Row& b) { return a[0].text < b[0].text; });
  return rows;
}

TEST(MsiLayerTest, DatabaseReadsBackAsWritten) {
  TempDir dir;
  const std::vector<Row> notes = {Note("a", "first", -32767, -2147483647),
                                  {Value::String("b"), {}, {}, Value::Integer(0)}};
  const Database written = WriteNotes(dir / "db.msi", notes, 65001);
  Database read;
  std::string error;
  ASSERT_TRUE(ReadDatabase(dir / "db.msi", read, error)) << error;
  EXPECT_EQ(read.codePage, 65001u);
  ASSERT_EQ(read.tables.size(), 2u);
  EXPECT_EQ(read.tables[0].columns, kNotes.columns);
  EXPECT_EQ(read.tables[0].rows, notes);
  EXPECT_EQ(read.tables[1].rows, written.tables[1].rows);
}

TEST(MsiLayerTest, TransformTurnsBeforeIntoAfter) {
  TempDir dir;
  const std::vector<Row> before = {Note("kept", "same", 1, 1), Note("changed", "old", 2, 2),
                                   Note("deleted", "gone", 3, 3)};
  const std::vector<Row> after = {Note("kept", "same", 1, 1), Note("changed", "new", 2, 20),
                                  Note("added", "fresh", 4, 4)};
  EXPECT_EQ(Sorted(Rows(RoundTrip(dir, before, after))), Sorted(after));
}

// A string of 70,000 bytes: its length takes the pool's two-entry form.
TEST(MsiLayerTest, StringLongerThan65535BytesKeepsItsLength) {
  TempDir dir;
  const std::string text(70000, 'q');
  const std::vector<Row> after = {Note("long", text, 1, 1), Note("next", "after it", 2, 2)};
  EXPECT_EQ(Sorted(Rows(RoundTrip(dir, {}, after))), Sorted(after));
  StringPool pool(0);
  pool.Add(text);
  const std::string bytes = pool.PoolBytes();
  // Code page, then (0, upper length bits 1), then (lower bits 4464, 1 reference).
  EXPECT_EQ(bytes.substr(4), std::string("\0\0\1\0\x70\x11\1\0", 8));
}

// String 70,000 is not string 4,464: more than 65,535 strings take 3-byte
// references, in the databases and in the transform.
TEST(MsiLayerTest, MoreThan65535StringsNeedLongReferences) {
  TempDir dir;
  std::vector<Row> before, after;
  for (int i = 0; i < 70000; ++i) {
    before.push_back(Note("n" + std::to_string(i), "line " + std::to_string(i), 0, i));
    after.push_back(Note("n" + std::to_string(i), "new line " + std::to_string(i), 0, i));
  }
  EXPECT_EQ(Rows(RoundTrip(dir, before, after)), after);
  StringPool pool(1252);
  for (int i = 1; i <= 70000; ++i) pool.Add("s" + std::to_string(i));
  EXPECT_EQ(pool.ReferenceSize(), 3u);
  EXPECT_EQ(pool.Find("s70000"), 70000u);
  EXPECT_EQ(pool.PoolBytes()[3] & 0x80, 0x80);
}

// A row with fewer values than its table has columns is refused by name, not
// written past.
TEST(MsiLayerTest, RowShorterThanItsTableIsRefused) {
  TableDiff notes = NoChanges(kNotes);
  notes.inserted.push_back({Value::String("short"), Value::String("two values")});
  EncodedTables out;
  std::string error;
  EXPECT_FALSE(EncodeTransform({0, 0, {notes}, {}}, out, error));
  EXPECT_EQ(error, "table Note, row short: a row of 2 values for 4 columns");
  notes.inserted[0] = {Value::String("wide"), {}, Value::Integer(40000), Value::Integer(1)};
  EXPECT_FALSE(EncodeTransform({0, 0, {notes}, {}}, out, error));
  EXPECT_EQ(error, "table Note, row wide: column Size cannot hold 40000");
}

// The three row forms, byte for byte, as the installer reads them.
TEST(MsiLayerTest, TransformRowsCarryTheirMask) {
  TableDiff notes = NoChanges(kNotes);
  notes.deleted.push_back(Note("d", "x", 1, 1));
  notes.updated.push_back({{}, Note("u", "y", 5, 7), {3}});
  notes.inserted.push_back(Note("i", "", 1, 2));
  EncodedTables out;
  std::string error;
  ASSERT_TRUE(EncodeTransform({0, 0, {notes}, {}}, out, error)) << error;
  ASSERT_EQ(out.tables.size(), 1u);
  EXPECT_EQ(out.tables[0].second, std::string("\0\0\1\0"                         // deleted: key "d"
                                              "\x08\0\2\0\7\0\0\x80"             // Total of "u"
                                              "\1\4\3\0\0\0\x01\x80\2\0\0\x80",  // inserted "i"
                                              24));
}

// The command line: the difference printed, a layout change and a file that is
// no database refused by name.
TEST(MsiLayerTest, DiffCommandPrintsRowsAndRefusesWhatItCannotExpress) {
  TempDir dir;
  WriteNotes(dir / "a.msi", {Note("n1", "old", 1, 1), Note("n2", "gone", 2, 2)});
  WriteNotes(dir / "b.msi", {Note("n1", "new", 1, 1), Note("n3", "added", 3, 3)});
  const auto diff = toolstest::RunMspToolShowingOutput({"diff", dir / "a.msi", dir / "b.msi"});
  EXPECT_EQ(diff.exitStatus, 0);
  EXPECT_EQ(diff.standardError,
            "table Note: 1 inserted, 1 deleted, 1 changed\n"
            "  + [n3] Text=\"added\", Size=3, Total=3\n"
            "  - [n2]\n"
            "  ~ [n1] Text \"old\" -> \"new\"\n");
  Database other{1252, {kNotes}, {}};
  other.tables[0].columns[3].type = kShortInteger;
  DatabaseDiff out;
  std::string error;
  EXPECT_FALSE(Diff(WriteNotes(dir / "c.msi", {}), other, out, error));
  EXPECT_EQ(error, "table Note changes its columns, which a transform cannot express");
  toolstest::RunMspTool({"transform", dir / "a.msi", dir / "b.msi", dir / "t.mst"});
  const auto refused =
      toolstest::RunMspTool({"transform", dir / "t.mst", dir / "b.msi", dir / "u"});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_NE(
      refused.standardError.find(dir / "t.mst" + " is a transform, not an installer database"),
      std::string::npos)
      << refused.standardError;
}

}  // namespace
}  // namespace msptool::msi
