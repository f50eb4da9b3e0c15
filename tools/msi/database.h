// An installer database as plain values: its code page and its tables, each
// table its named, typed columns (as its _Columns rows say) and its rows; the
// streams stay in the file and are known by name, size and digest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/shared_text.h"

namespace msptool::msi {

// _Columns' Type: the width in the low byte, then these bits. A string column
// without kTypeValid's companion bits is a stream (binary) column.
inline constexpr std::uint16_t kTypeWidth = 0x00FF;
inline constexpr std::uint16_t kTypeValid = 0x0100;
inline constexpr std::uint16_t kTypeLocalizable = 0x0200;
inline constexpr std::uint16_t kTypeString = 0x0800;
inline constexpr std::uint16_t kTypeNullable = 0x1000;
inline constexpr std::uint16_t kTypeKey = 0x2000;
// The usual types: i2, i4, s<width> and V0 (add kTypeNullable, kTypeKey).
inline constexpr std::uint16_t kShortInteger = 0x0502;
inline constexpr std::uint16_t kLongInteger = 0x0104;
inline constexpr std::uint16_t kText = 0x0D00;
inline constexpr std::uint16_t kStream = 0x0900;

struct Column {
  std::string name;
  std::uint16_t type = 0;

  bool IsStream() const { return (type & ~kTypeNullable) == (kTypeString | kTypeValid); }
  bool IsString() const { return (type & kTypeString) && !IsStream(); }
  bool IsKey() const { return type & kTypeKey; }
  bool IsNullable() const { return type & kTypeNullable; }
  bool IsLocalizable() const { return type & kTypeLocalizable; }
  unsigned Width() const { return type & kTypeWidth; }
  // The bytes one value takes in a table or transform stream.
  std::size_t StoredSize(std::size_t referenceSize) const {
    return IsString() ? referenceSize : (IsStream() || Width() <= 2 ? 2 : 4);
  }
  bool operator==(const Column&) const = default;
};

struct Value {
  enum class Kind : std::uint8_t { Null, Integer, String, Stream };
  Kind kind = Kind::Null;
  std::int32_t number = 0;  // Integer
  SharedText text;          // String; Stream: the digest of its bytes, if known

  static Value Integer(std::int32_t n) { return {Kind::Integer, n, {}}; }
  static Value String(SharedText s) {
    return s.empty() ? Value{} : Value{Kind::String, 0, std::move(s)};
  }
  static Value Stream(std::string digest = {}) { return {Kind::Stream, 0, std::move(digest)}; }
  bool operator==(const Value&) const = default;
};

using Row = std::vector<Value>;

struct Table {
  std::string name;
  std::vector<Column> columns;
  std::vector<Row> rows;

  // The index of the column called `name`, or columns.size().
  std::size_t ColumnIndex(const std::string& column) const;
};

struct Stream {
  std::string name;  // decoded: a stream column's is "Table.Key1.Key2"
  std::uint64_t size = 0;
  std::string digest;
};

struct Database {
  std::uint32_t codePage = 0;  // 0: neutral
  std::vector<Table> tables;
  std::vector<Stream> streams;  // the root's streams that are no table

  const Table* Find(const std::string& table) const;
};

// The cell of `row`, a row of `table`, in the column called `column`: the one
// way to read a cell by name. A null value when the table has no such column
// or the row is shorter, never a cell past the row's end; a package whose
// table lacks a column the patch reads is refused before it is read
// (HasColumnsRead, standard_tables.h).
const Value& Cell(const Table& table, const Row& row, const std::string& column);
// The first row of `table` whose first column holds the text `key`; null
// when there is none, or no table.
const Row* FindRow(const Table* table, const std::string& key);

// The key values as a reader sees them: "readme.txt", "1/2".
std::string KeyLabel(const Table& table, const Row& row);
// The name of the stream a stream cell of `row` refers to.
std::string StreamName(const Table& table, const Row& row);
// A value for people: 42, "text", null, [stream].
std::string Printed(const Value& value);
// The Value of the Property table's row `name`, or "".
std::string PropertyValue(const Database& db, const std::string& name);

}  // namespace msptool::msi
