#include "msi/database_reader.h"

#include <algorithm>
#include <map>
#include <set>

#include "compound/stream_name.h"
#include "compound/writer.h"
#include "msi/table_codec.h"
#include "summary/summary_stream.h"

namespace msptool::msi {
namespace {

bool ReadSystemTable(const CompoundEntry& storage, const std::string& name,
                     const std::vector<Column>& columns, const StringTable& strings,
                     std::vector<Row>& rows, std::string& error) {
  const std::string* bytes = TableBytes(storage, name);
  if (!bytes) return true;
  if (DecodeTable(columns, *bytes, strings, rows, error)) return true;
  error = "table " + name + ": " + error;
  return false;
}

}  // namespace

const std::string* TableBytes(const CompoundEntry& storage, const std::string& table) {
  const CompoundEntry* entry = Child(storage, EncodeStreamName(table, true));
  return entry && !entry->isStorage ? &entry->bytes : nullptr;
}

StreamContent DatabaseStreams(const std::string& storedName, int depth) {
  bool isTable = false;
  DecodeStreamName(storedName, isTable);
  if (isTable) return StreamContent::Bytes;
  (void)depth;
  return StreamContent::Digest;
}

bool ReadStorageStrings(const CompoundEntry& storage, StringTable& strings, std::string& error) {
  const std::string* pool = TableBytes(storage, "_StringPool");
  const std::string* data = TableBytes(storage, "_StringData");
  if (ReadStringPool(pool ? *pool : "", data ? *data : "", strings, error)) return true;
  error = "string pool: " + error;
  return false;
}

bool ReadDatabase(const CompoundEntry& storage, Database& out, std::string& error) {
  out = {};
  StringTable strings;
  if (!ReadStorageStrings(storage, strings, error)) return false;
  out.codePage = strings.codePage;
  std::vector<Row> tableRows, columnRows;
  if (!ReadSystemTable(storage, "_Tables", kTablesLayout, strings, tableRows, error) ||
      !ReadSystemTable(storage, "_Columns", kColumnsLayout, strings, columnRows, error))
    return false;
  std::map<std::string, std::size_t> byName;
  for (const auto& row : tableRows) {
    byName.emplace(row[0].text, out.tables.size());
    out.tables.push_back({row[0].text, {}, {}});
  }
  std::map<std::string, std::map<std::int32_t, Column>> columns;
  for (const auto& row : columnRows) {
    if (!byName.count(row[0].text)) {
      error = "_Columns describes table " + row[0].text + ", which _Tables does not list";
      return false;
    }
    columns[row[0].text][row[1].number] = {row[2].text, static_cast<std::uint16_t>(row[3].number)};
  }
  for (auto& table : out.tables) {
    std::int32_t expected = 1;
    for (const auto& [number, column] : columns[table.name]) {
      if (number != expected++) {
        error = "table " + table.name + " has no column number " + std::to_string(expected - 1);
        return false;
      }
      table.columns.push_back(column);
    }
    if (table.columns.empty()) {
      error = "table " + table.name + " has no columns";
      return false;
    }
    const std::string* bytes = TableBytes(storage, table.name);
    if (bytes && !DecodeTable(table.columns, *bytes, strings, table.rows, error)) {
      error = "table " + table.name + ": " + error;
      return false;
    }
  }
  std::map<std::string, const Stream*> streams;
  for (const auto& child : storage.children) {
    bool isTable = false;
    const std::string name = DecodeStreamName(child.name, isTable);
    if (!child.isStorage && !isTable) out.streams.push_back({name, child.size, child.digest});
  }
  for (const auto& s : out.streams) streams[s.name] = &s;
  // A stream cell's value is its stream's digest, so that a changed stream
  // is a changed cell.
  for (auto& table : out.tables) {
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      if (!table.columns[i].IsStream()) continue;
      for (auto& row : table.rows) {
        if (row[i].kind != Value::Kind::Stream) continue;
        const auto at = streams.find(StreamName(table, row));
        row[i].text = at == streams.end() ? "" : at->second->digest;
      }
    }
  }
  return true;
}

bool ReadDatabase(const std::string& path, Database& out, std::string& error, bool allDigests,
                  std::string* summary) {
  // The tables first, then the digests: of every stream, or only of those
  // stream cells refer to (a package's other streams, its cabinets, can be
  // most of it).
  std::set<std::string> cells;
  for (int pass = 0; pass < 2; ++pass) {
    CompoundEntry root;
    const bool read =
        ReadCompoundStreams(path, root, error, [&](const std::string& name, int depth) {
          bool isTable = false;
          DecodeStreamName(name, isTable);
          if (isTable || (summary && depth == 1 && name == kSummaryStreamName))
            return StreamContent::Bytes;
          return allDigests || cells.count(name) ? StreamContent::Digest : StreamContent::Skip;
        });
    if (!read) {
      error = path + " " + error;
      return false;
    }
    // A transform shares the storage format but is no database: its tables
    // hold changes, not rows. (A patch's root is a database of its own tables.)
    if (root.classId == std::string(reinterpret_cast<const char*>(kTransformClassId), 16)) {
      error = path + " is a transform, not an installer database";
      return false;
    }
    if (!ReadDatabase(root, out, error)) {
      error = path + ": " + error;
      return false;
    }
    if (const CompoundEntry* stream = Child(root, kSummaryStreamName); summary && stream)
      *summary = stream->bytes;
    for (const auto& table : out.tables)
      for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].IsStream())
          for (const auto& row : table.rows)
            if (row[i].kind == Value::Kind::Stream)
              cells.insert(EncodeStreamName(StreamName(table, row), false));
    if (allDigests || cells.empty()) break;
  }
  return true;
}

}  // namespace msptool::msi
