#include "msi/transform_reader.h"

#include <map>

#include "compound/stream_name.h"
#include "msi/database_reader.h"
#include "msi/row_index.h"
#include "msi/table_codec.h"

namespace msptool::msi {
namespace {

struct Decoded {
  std::uint32_t mask;
  Row row;
};

bool DecodeRows(const std::string& table, const std::vector<Column>& columns,
                const std::string& bytes, const StringTable& strings, std::vector<Decoded>& rows,
                std::string& error) {
  for (std::size_t at = 0; at < bytes.size();) {
    Decoded d;
    if (!DecodeTransformRow(columns, bytes, at, strings, d.mask, d.row, error)) {
      error = "table " + table + ": " + error;
      return false;
    }
    rows.push_back(std::move(d));
  }
  return true;
}

// `target` holds the target's rows by key; `layout` is the table's name and
// columns, as the transform has them.
void AddRow(TableDiff& t, const Table& layout, const RowIndex& target, const Decoded& d) {
  const Row* was = t.added ? nullptr : target.Find(layout, d.row);
  const bool whole = d.mask & kWholeRow;
  if (d.mask == 0) {
    t.deleted.push_back(was ? *was : d.row);
    return;
  }
  if (whole && !was) {
    t.inserted.push_back(d.row);
    return;
  }
  RowUpdate update{was ? *was : Row{}, was ? *was : d.row, {}};
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    if (t.columns[i].IsKey()) continue;
    const bool present = whole ? i < (d.mask >> 8) : (i < 16 && ((d.mask >> i) & 1));
    if (!present || (was && (*was)[i] == d.row[i])) continue;
    update.after[i] = d.row[i];
    update.changed.push_back(i);
  }
  if (!update.changed.empty()) t.updated.push_back(std::move(update));
}

}  // namespace

bool ReadTransform(const CompoundEntry& storage, const Database& target, DatabaseDiff& out,
                   std::vector<std::string>& unknownTables, std::string& error) {
  out = {target.codePage, target.codePage, {}, {}};
  unknownTables.clear();
  StringTable strings;
  if (!ReadStorageStrings(storage, strings, error)) return false;
  out.afterCodePage = strings.codePage;
  std::vector<Decoded> tableRows, columnRows;
  const std::string* tablesBytes = TableBytes(storage, "_Tables");
  const std::string* columnsBytes = TableBytes(storage, "_Columns");
  if ((tablesBytes &&
       !DecodeRows("_Tables", kTablesLayout, *tablesBytes, strings, tableRows, error)) ||
      (columnsBytes &&
       !DecodeRows("_Columns", kColumnsLayout, *columnsBytes, strings, columnRows, error)))
    return false;
  for (const auto& d : tableRows) {
    TableDiff t;
    t.name = d.row[0].text;
    t.removed = d.mask == 0;
    t.added = !t.removed;
    if (t.removed)
      if (const Table* old = target.Find(t.name)) t.columns = old->columns;
    out.tables.push_back(std::move(t));
  }
  // Column numbers may be null: the next number of that table.
  std::map<std::string, std::map<std::int32_t, Column>> added;
  for (const auto& d : columnRows) {
    auto& columns = added[d.row[0].text];
    const std::int32_t number = d.row[1].kind == Value::Kind::Integer
                                    ? d.row[1].number
                                    : static_cast<std::int32_t>(columns.size() + 1);
    columns[number] = {d.row[2].text, static_cast<std::uint16_t>(d.row[3].number)};
  }
  for (auto& t : out.tables)
    for (const auto& [number, column] : added[t.name]) t.columns.push_back(column);

  for (const auto& child : storage.children) {
    bool isTable = false;
    const std::string name = DecodeStreamName(child.name, isTable);
    if (child.isStorage || !isTable || name == "_Tables" || name == "_Columns" ||
        name == "_StringPool" || name == "_StringData")
      continue;
    const Table* old = target.Find(name);
    TableDiff* t = out.Find(name);
    if (!t) {
      out.tables.push_back(
          {name, old ? old->columns : std::vector<Column>{}, false, false, {}, {}, {}});
      t = &out.tables.back();
    }
    if (t->columns.empty()) {
      unknownTables.push_back(name);
      out.tables.erase(out.tables.begin() + (t - out.tables.data()));
      continue;
    }
    std::vector<Decoded> rows;
    if (!DecodeRows(name, t->columns, child.bytes, strings, rows, error)) return false;
    const RowIndex index(old);
    const Table layout{name, t->columns, {}};
    for (auto& d : rows) {
      // A stream cell's value is the digest of the stream the transform carries.
      for (std::size_t i = 0; i < t->columns.size(); ++i) {
        if (d.row[i].kind != Value::Kind::Stream) continue;
        const CompoundEntry* stream =
            Child(storage, EncodeStreamName(StreamName(layout, d.row), false));
        d.row[i].text = stream ? stream->digest : "";
      }
      AddRow(*t, layout, index, d);
    }
  }
  return true;
}

}  // namespace msptool::msi
