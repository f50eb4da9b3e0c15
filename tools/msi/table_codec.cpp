#include "msi/table_codec.h"

#include "base/little_endian.h"

namespace msptool::msi {
namespace {

using Kind = Value::Kind;

void PutValue(const Column& column, const Value& v, const StringPool& pool, std::string& out) {
  if (column.IsString()) {
    PutReference(out, v.kind == Kind::String ? pool.Find(v.text) : 0, pool.ReferenceSize());
  } else if (column.IsStream()) {
    PutU16(out, v.kind == Kind::Stream ? 1 : 0);
  } else if (column.StoredSize(2) == 2) {
    PutU16(out, v.kind == Kind::Integer ? static_cast<std::uint32_t>(v.number + 0x8000) : 0);
  } else {
    PutU32(out, v.kind == Kind::Integer ? static_cast<std::uint32_t>(v.number) ^ 0x80000000u : 0);
  }
}

bool GetValue(const Column& column, const std::string& bytes, std::size_t at,
              const StringTable& strings, Value& v, std::string& error) {
  const std::uint32_t raw = GetLE(bytes, at, column.StoredSize(strings.referenceSize));
  v = {};
  if (raw == 0) return true;
  if (column.IsString()) {
    if (raw >= strings.strings.size()) {
      error = "column " + column.name + " refers to string " + std::to_string(raw) +
              " of a pool of " + std::to_string(strings.strings.size() - 1);
      return false;
    }
    v = Value::String(strings.strings[raw]);
  } else if (column.IsStream()) {
    v = Value::Stream();
  } else if (column.StoredSize(2) == 2) {
    v = Value::Integer(static_cast<std::int32_t>(raw) - 0x8000);
  } else {
    v = Value::Integer(static_cast<std::int32_t>(raw ^ 0x80000000u));
  }
  return true;
}

}  // namespace

const std::vector<Column> kTablesLayout = {{"Name", kText | kTypeKey | 64}};
const std::vector<Column> kColumnsLayout = {{"Table", kText | kTypeKey | 64},
                                            {"Number", kShortInteger | kTypeKey},
                                            {"Name", kText | 64},
                                            {"Type", kShortInteger}};

void AddStrings(const std::vector<Column>& columns, const Row& row, StringPool& pool) {
  for (std::size_t i = 0; i < columns.size() && i < row.size(); ++i)
    if (columns[i].IsString() && row[i].kind == Kind::String) pool.Add(row[i].text);
}

bool FitsLayout(const std::vector<Column>& columns, const Row& row, std::string& error) {
  if (row.size() != columns.size()) {
    error = "a row of " + std::to_string(row.size()) + " values for " +
            std::to_string(columns.size()) + " columns";
    return false;
  }
  for (std::size_t i = 0; i < row.size(); ++i) {
    const Column& c = columns[i];
    const Value& v = row[i];
    const bool shortInt = !c.IsString() && !c.IsStream() && c.StoredSize(2) == 2;
    const bool fits =
        v.kind == Kind::Null ||
        (c.IsString()   ? v.kind == Kind::String
         : c.IsStream() ? v.kind == Kind::Stream
                        : v.kind == Kind::Integer &&
                              (!shortInt || (v.number > -0x8000 && v.number <= 0x7FFF)));
    if (!fits) {
      error = "column " + c.name + " cannot hold " + Printed(v);
      return false;
    }
  }
  return true;
}

std::string EncodeTable(const std::vector<Column>& columns, const std::vector<Row>& rows,
                        const StringPool& pool) {
  std::string out;
  for (std::size_t i = 0; i < columns.size(); ++i)
    for (const auto& row : rows) PutValue(columns[i], row[i], pool, out);
  return out;
}

bool DecodeTable(const std::vector<Column>& columns, const std::string& bytes,
                 const StringTable& strings, std::vector<Row>& rows, std::string& error) {
  std::size_t rowSize = 0;
  for (const auto& c : columns) rowSize += c.StoredSize(strings.referenceSize);
  if (rowSize == 0 || bytes.size() % rowSize != 0) {
    error = std::to_string(bytes.size()) + " bytes are no whole number of rows of " +
            std::to_string(rowSize);
    return false;
  }
  const std::size_t count = bytes.size() / rowSize;
  rows.assign(count, Row(columns.size()));
  std::size_t at = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    for (auto& row : rows) {
      if (!GetValue(columns[i], bytes, at, strings, row[i], error)) return false;
      at += columns[i].StoredSize(strings.referenceSize);
    }
  }
  return true;
}

std::uint32_t WholeRowMask(const std::vector<Column>& columns) {
  return static_cast<std::uint32_t>(columns.size() << 8) | kWholeRow;
}

void EncodeTransformRow(const std::vector<Column>& columns, const Row& row, std::uint32_t mask,
                        const StringPool& pool, std::string& out) {
  PutU16(out, mask);
  const std::size_t whole = (mask & kWholeRow) ? mask >> 8 : 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i < whole || (!(mask & kWholeRow) && (columns[i].IsKey() || (i < 16 && ((mask >> i) & 1)))))
      PutValue(columns[i], row[i], pool, out);
  }
}

bool DecodeTransformRow(const std::vector<Column>& columns, const std::string& bytes,
                        std::size_t& at, const StringTable& strings, std::uint32_t& mask, Row& row,
                        std::string& error) {
  if (bytes.size() - at < 2) {
    error = "a row mask is cut off";
    return false;
  }
  mask = GetU16(bytes, at);
  at += 2;
  const std::size_t whole = (mask & kWholeRow) ? mask >> 8 : 0;
  if (whole > columns.size()) {
    error = "a whole row of " + std::to_string(whole) + " columns for a table of " +
            std::to_string(columns.size());
    return false;
  }
  row.assign(columns.size(), Value{});
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!(i < whole ||
          (!(mask & kWholeRow) && (columns[i].IsKey() || (i < 16 && ((mask >> i) & 1))))))
      continue;
    const std::size_t size = columns[i].StoredSize(strings.referenceSize);
    if (bytes.size() - at < size) {
      error = "a row is cut off in column " + columns[i].name;
      return false;
    }
    if (!GetValue(columns[i], bytes, at, strings, row[i], error)) return false;
    at += size;
  }
  return true;
}

}  // namespace msptool::msi
