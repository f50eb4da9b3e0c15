#include "msi/database_diff.h"

#include <map>
#include <set>

#include "msi/row_index.h"
#include "msi/transform_writer.h"

namespace msptool::msi {
namespace {

// False, with `error` naming the row, when two rows of `table` share a key.
bool UniqueKeys(const Table& table, const RowIndex& index, std::string& error) {
  if (!index.Duplicate()) return true;
  error =
      "table " + table.name + " has two rows with the key " + KeyLabel(table, *index.Duplicate());
  return false;
}

bool DiffTable(const Table& before, const Table& after, TableDiff& out, std::string& error) {
  if (before.columns != after.columns) {
    error = "table " + after.name + " changes its columns, which a transform cannot express";
    return false;
  }
  const RowIndex old(before), now(after);
  if (!UniqueKeys(before, old, error) || !UniqueKeys(after, now, error)) return false;
  for (const auto& row : before.rows)
    if (!now.Find(before, row)) out.deleted.push_back(row);
  for (const auto& row : after.rows) {
    const Row* at = old.Find(after, row);
    if (!at) {
      out.inserted.push_back(row);
      continue;
    }
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < row.size(); ++i)
      if (!(row[i] == (*at)[i])) changed.push_back(i);
    if (!changed.empty()) out.updated.push_back({*at, row, std::move(changed)});
  }
  return true;
}

// The streams of `db` that stream cells refer to.
std::set<std::string> CellStreams(const Database& db) {
  std::set<std::string> names;
  for (const auto& table : db.tables)
    for (std::size_t i = 0; i < table.columns.size(); ++i)
      if (table.columns[i].IsStream())
        for (const auto& row : table.rows)
          if (row[i].kind == Value::Kind::Stream) names.insert(StreamName(table, row));
  return names;
}

std::vector<std::string> OtherStreams(const Database& before, const Database& after) {
  std::set<std::string> cells = CellStreams(before);
  cells.merge(CellStreams(after));
  // Property sets ("\005SummaryInformation") describe the file, not its data.
  for (const Database* db : {&before, &after})
    for (const auto& s : db->streams)
      if (!s.name.empty() && s.name[0] == '\x05') cells.insert(s.name);
  std::map<std::string, std::string> old, now;
  for (const auto& s : before.streams) old[s.name] = s.digest;
  for (const auto& s : after.streams) now[s.name] = s.digest;
  std::vector<std::string> names;
  for (const auto& [name, digest] : old)
    if (!cells.count(name) && (!now.count(name) || now[name] != digest)) names.push_back(name);
  for (const auto& [name, digest] : now)
    if (!cells.count(name) && !old.count(name)) names.push_back(name);
  return names;
}

}  // namespace

TableDiff* DatabaseDiff::Find(const std::string& table) {
  for (auto& t : tables)
    if (t.name == table) return &t;
  return nullptr;
}

bool Diff(const Database& before, const Database& after, DatabaseDiff& out, std::string& error) {
  out = {before.codePage, after.codePage, {}, OtherStreams(before, after)};
  for (const auto& table : before.tables) {
    TableDiff t{table.name, table.columns, false, false, {}, {}, {}};
    if (const Table* now = after.Find(table.name)) {
      if (!DiffTable(table, *now, t, error)) return false;
    } else {
      t.removed = true;
    }
    if (!t.Empty()) out.tables.push_back(std::move(t));
  }
  for (const auto& table : after.tables) {
    if (before.Find(table.name)) continue;
    if (!UniqueKeys(table, RowIndex(table), error)) return false;
    out.tables.push_back({table.name, table.columns, true, false, table.rows, {}, {}});
  }
  return true;
}

bool Apply(const DatabaseDiff& diff, Database& db, std::string& error, std::uint16_t suppressed) {
  // False with `message` unless `condition` is suppressed.
  const auto condition = [&](std::uint16_t bit, std::string message) {
    if (suppressed & bit) return true;
    error = std::move(message);
    return false;
  };
  db.codePage = diff.afterCodePage;
  for (const auto& change : diff.tables) {
    auto at = db.tables.begin();
    while (at != db.tables.end() && at->name != change.name) ++at;
    const bool missing = at == db.tables.end();
    if (change.removed) {
      if (missing) {
        if (!condition(kIgnoreDeleteMissingTable, "table " + change.name + " is missing"))
          return false;
      } else {
        db.tables.erase(at);
      }
      continue;
    }
    if (change.added && !missing &&
        !condition(kIgnoreAddExistingTable, "table " + change.name + " is already there"))
      return false;
    if (change.added && missing) {
      at = db.tables.insert(db.tables.end(), {change.name, change.columns, {}});
    } else if (missing) {
      error = "table " + change.name + " is missing";
      return false;
    }
    Table& table = *at;
    const RowIndex keys(table);
    if (!UniqueKeys(table, keys, error)) return false;
    // The position of the row with the key of `row`, or table.rows.size().
    const auto position = [&](const Row& row) {
      const Row* found = keys.Find(table, row);
      return found ? static_cast<std::size_t>(found - table.rows.data()) : table.rows.size();
    };
    std::vector<bool> gone(table.rows.size(), false);
    for (const auto& row : change.deleted) {
      const std::size_t found = position(row);
      if (found != table.rows.size())
        gone[found] = true;
      else if (!condition(kIgnoreDeleteMissingRow, "table " + table.name + " has no row " +
                                                       KeyLabel(table, row) + " to delete"))
        return false;
    }
    for (const auto& update : change.updated) {
      const std::size_t found = position(update.after);
      if (found != table.rows.size() && !gone[found])
        for (const std::size_t i : update.changed) table.rows[found][i] = update.after[i];
      else if (!condition(kIgnoreUpdateMissingRow, "table " + table.name + " has no row " +
                                                       KeyLabel(table, update.after) +
                                                       " to change"))
        return false;
    }
    std::vector<Row> inserted;
    for (const auto& row : change.inserted) {
      const std::size_t found = position(row);
      if (found == table.rows.size() || gone[found])
        inserted.push_back(row);
      else if (!condition(kIgnoreAddExistingRow,
                          "table " + table.name + " already has a row " + KeyLabel(table, row)))
        return false;
    }
    // The index refers to the rows: they move only once it is no longer used.
    std::vector<Row> rows;
    for (std::size_t i = 0; i < table.rows.size(); ++i)
      if (!gone[i]) rows.push_back(std::move(table.rows[i]));
    rows.insert(rows.end(), std::make_move_iterator(inserted.begin()),
                std::make_move_iterator(inserted.end()));
    table.rows = std::move(rows);
  }
  return true;
}

}  // namespace msptool::msi
