#include "msi/transform_encoder.h"

#include "msi/table_codec.h"

namespace msptool::msi {
namespace {

struct PlannedRow {
  Row row;
  std::uint32_t mask;
};

struct PlannedTable {
  std::string name;
  const std::vector<Column>* columns;
  std::vector<PlannedRow> rows;
};

// The key columns of `row`, the others null: what a deleted row writes.
Row KeysOnly(const std::vector<Column>& columns, const Row& row) {
  Row keys(columns.size());
  for (std::size_t i = 0; i < columns.size() && i < row.size(); ++i)
    if (columns[i].IsKey()) keys[i] = row[i];
  return keys;
}

// A changed row names its columns in a 16-bit mask; a change beyond the
// sixteenth column rewrites the whole row instead, which replaces the row of
// the same key.
std::uint32_t UpdateMask(const std::vector<Column>& columns, const RowUpdate& update) {
  std::uint32_t mask = 0;
  for (const std::size_t i : update.changed) {
    if (i >= 16) return WholeRowMask(columns);
    mask |= 1u << i;
  }
  return mask;
}

bool Check(const TableDiff& table, const Row& row, std::string& error) {
  if (FitsLayout(table.columns, row, error)) return true;
  error = "table " + table.name + ", row " + KeyLabel({table.name, table.columns, {}}, row) + ": " +
          error;
  return false;
}

void NoteStreams(const TableDiff& table, const Row& row, std::uint32_t mask,
                 std::vector<std::string>& streams) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const bool written = (mask & kWholeRow) || (i < 16 && ((mask >> i) & 1));
    if (written && table.columns[i].IsStream() && row[i].kind == Value::Kind::Stream)
      streams.push_back(StreamName({table.name, table.columns, {}}, row));
  }
}

}  // namespace

bool EncodeTransform(const DatabaseDiff& diff, EncodedTables& out, std::string& error) {
  out = {};
  PlannedTable tables{"_Tables", &kTablesLayout, {}};
  PlannedTable columns{"_Columns", &kColumnsLayout, {}};
  std::vector<PlannedTable> planned;
  for (const auto& t : diff.tables) {
    if (t.removed) {
      tables.rows.push_back({{Value::String(t.name)}, 0});
      continue;
    }
    if (t.added) {
      tables.rows.push_back({{Value::String(t.name)}, WholeRowMask(kTablesLayout)});
      for (std::size_t i = 0; i < t.columns.size(); ++i)
        columns.rows.push_back(
            {{Value::String(t.name), Value::Integer(static_cast<int>(i + 1)),
              Value::String(t.columns[i].name), Value::Integer(t.columns[i].type)},
             WholeRowMask(kColumnsLayout)});
    }
    PlannedTable p{t.name, &t.columns, {}};
    for (const auto& row : t.deleted) {
      if (!Check(t, row, error)) return false;
      p.rows.push_back({KeysOnly(t.columns, row), 0});
    }
    for (const auto& update : t.updated) {
      if (!Check(t, update.after, error)) return false;
      p.rows.push_back({update.after, UpdateMask(t.columns, update)});
    }
    for (const auto& row : t.inserted) {
      if (!Check(t, row, error)) return false;
      p.rows.push_back({row, WholeRowMask(t.columns)});
    }
    for (const auto& r : p.rows) NoteStreams(t, r.row, r.mask, out.streams);
    if (!p.rows.empty()) planned.push_back(std::move(p));
  }
  if (!columns.rows.empty()) planned.insert(planned.begin(), std::move(columns));
  if (!tables.rows.empty()) planned.insert(planned.begin(), std::move(tables));

  // Every string first, so that the reference size is known before any row
  // is written.
  StringPool pool(diff.afterCodePage);
  for (const auto& p : planned) {
    for (const auto& r : p.rows) {
      for (std::size_t i = 0; i < p.columns->size(); ++i) {
        const bool written =
            (r.mask & kWholeRow) || (*p.columns)[i].IsKey() || (i < 16 && ((r.mask >> i) & 1));
        if (written && (*p.columns)[i].IsString() && r.row[i].kind == Value::Kind::String)
          pool.Add(r.row[i].text);
      }
    }
  }
  for (const auto& p : planned) {
    std::string bytes;
    for (const auto& r : p.rows) EncodeTransformRow(*p.columns, r.row, r.mask, pool, bytes);
    out.tables.emplace_back(p.name, std::move(bytes));
  }
  out.stringPool = pool.PoolBytes();
  out.stringData = pool.DataBytes();
  return true;
}

}  // namespace msptool::msi
