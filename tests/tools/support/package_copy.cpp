#include "support/package_copy.h"

#include <gtest/gtest.h>

#include "compound/reader.h"
#include "compound/stream_name.h"
#include "compound/writer.h"
#include "msi/database_encoder.h"
#include "msi/transform_writer.h"

namespace toolstest {

void WritePackageCopy(const std::string& from, const msptool::msi::Database& db,
                      const std::string& to, const std::map<std::string, std::string>& streams) {
  msptool::CompoundEntry root;
  std::string error;
  ASSERT_TRUE(msptool::ReadCompound(from, root, error)) << error;
  msptool::msi::EncodedTables tables;
  ASSERT_TRUE(msptool::msi::EncodeDatabase(db, tables, error)) << error;
  std::map<std::string, std::string> others = streams;
  for (const auto& child : root.children) {
    bool isTable = false;
    msptool::DecodeStreamName(child.name, isTable);
    if (!child.isStorage && !isTable) others.emplace(child.name, child.bytes);
  }
  ASSERT_TRUE(msptool::CompoundFile::Write(
      to, msptool::kDatabaseClassId,
      [&](GsfOutfile* out) {
        bool ok = msptool::msi::WriteTableStreams(out, tables);
        for (const auto& [name, bytes] : others)
          ok = ok && msptool::CompoundFile::AddStream(out, name, bytes);
        return ok;
      },
      error))
      << error;
}

msptool::msi::Row& RowOf(msptool::msi::Database& db, const std::string& table,
                         const std::string& key) {
  for (auto& t : db.tables)
    if (t.name == table)
      for (auto& row : t.rows)
        if (row[0].text == key) return row;
  ADD_FAILURE() << "no row " << key << " in " << table;
  static msptool::msi::Row none(8);
  return none;
}

void SetCell(msptool::msi::Database& db, const std::string& table, const std::string& key,
             const char* column, msptool::msi::Value value) {
  auto& row = RowOf(db, table, key);
  const msptool::msi::Table* t = db.Find(table);
  const std::size_t i = t ? t->ColumnIndex(column) : row.size();
  ASSERT_LT(i, row.size()) << table << "." << column;
  row[i] = std::move(value);
}

}  // namespace toolstest
