// The difference between two databases, table by table and row by row (rows
// matched by their keys): what a transform from `before` to `after` holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msi/database.h"

namespace msptool::msi {

struct RowUpdate {
  Row before;                        // the whole row before (empty when not known)
  Row after;                         // the whole row after; only `changed` columns are written
  std::vector<std::size_t> changed;  // column indexes, ascending, never a key
};

struct TableDiff {
  std::string name;
  std::vector<Column> columns;  // after's (before's for a removed table)
  bool added = false;           // a new table: its rows are all `inserted`
  bool removed = false;
  std::vector<Row> inserted;
  std::vector<Row> deleted;  // whole rows, or their keys alone (the rest null)
  std::vector<RowUpdate> updated;

  bool Empty() const {
    return !added && !removed && inserted.empty() && deleted.empty() && updated.empty();
  }
};

// No change yet to `table` (its name and columns).
inline TableDiff NoChanges(const Table& table) {
  TableDiff t;
  t.name = table.name;
  t.columns = table.columns;
  return t;
}

struct DatabaseDiff {
  std::uint32_t beforeCodePage = 0;
  std::uint32_t afterCodePage = 0;
  std::vector<TableDiff> tables;  // only tables with a change, before's order then added ones
  // Root streams no stream cell refers to (cabinets, say) that were added,
  // removed or changed: a transform cannot carry them.
  std::vector<std::string> otherStreams;

  TableDiff* Find(const std::string& table);
};

// False, with `error` naming the table, when a table keeps its name but
// changes its columns (a transform adds or removes tables, not columns) or
// has two rows with one key.
bool Diff(const Database& before, const Database& after, DatabaseDiff& out, std::string& error);

// `diff` applied to `db`, as the installer applies a transform; false, with
// `error`, on a row or table that is missing or already there, unless
// `suppressed` (a transform's error conditions, the lower word of its
// property 16: 0x01 add existing row, 0x02 delete missing row, 0x04 add
// existing table, 0x08 delete missing table, 0x10 update missing row) lets
// that condition pass: the change is then left out, the rest applied.
bool Apply(const DatabaseDiff& diff, Database& db, std::string& error,
           std::uint16_t suppressed = 0);

}  // namespace msptool::msi
