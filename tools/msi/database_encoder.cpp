#include "msi/database_encoder.h"

#include "msi/table_codec.h"

namespace msptool::msi {

bool EncodeDatabase(const Database& db, EncodedTables& out, std::string& error) {
  out = {};
  std::vector<Row> tables, columns;
  for (const auto& t : db.tables) {
    tables.push_back({Value::String(t.name)});
    for (std::size_t i = 0; i < t.columns.size(); ++i)
      columns.push_back({Value::String(t.name), Value::Integer(static_cast<std::int32_t>(i + 1)),
                         Value::String(t.columns[i].name), Value::Integer(t.columns[i].type)});
  }
  StringPool pool(db.codePage);
  for (const auto& row : tables) AddStrings(kTablesLayout, row, pool);
  for (const auto& row : columns) AddStrings(kColumnsLayout, row, pool);
  for (const auto& t : db.tables) {
    for (const auto& row : t.rows) {
      if (!FitsLayout(t.columns, row, error)) {
        error = "table " + t.name + ", row " + KeyLabel(t, row) + ": " + error;
        return false;
      }
      AddStrings(t.columns, row, pool);
      for (std::size_t i = 0; i < row.size(); ++i)
        if (row[i].kind == Value::Kind::Stream) out.streams.push_back(StreamName(t, row));
    }
  }
  out.tables.emplace_back("_Tables", EncodeTable(kTablesLayout, tables, pool));
  out.tables.emplace_back("_Columns", EncodeTable(kColumnsLayout, columns, pool));
  for (const auto& t : db.tables)
    out.tables.emplace_back(t.name, EncodeTable(t.columns, t.rows, pool));
  out.stringPool = pool.PoolBytes();
  out.stringData = pool.DataBytes();
  return true;
}

}  // namespace msptool::msi
