// One table's stream inside a transform: the rows a transform inserts into or
// changes in a table of the database it is applied to.
//
// Each row starts with a 16-bit mask. An inserted row has the mask
// (column count << 8) | 1 and then every column; a changed row has a bit per
// changed column (bit i for column i, never bit 0, which is a key column) and
// then the key columns and the changed columns, in column order. Strings are
// 16-bit indexes into the transform's string pool; 16-bit integers are stored
// plus 0x8000 and 32-bit integers XOR 0x80000000, so that 0 stays null. The
// column layout must be the one of the database the transform is applied to.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "string_pool.h"

namespace msptool {

struct Column {
  enum class Type { String, Int16, Int32 };
  Type type;
  bool key;
};

// A column value: null, a string, or an integer.
using Cell = std::variant<std::monostate, std::string, std::int32_t>;

// One cell as a table or transform stream stores it.
void PutCell(std::string& out, const Column& column, const Cell& cell, StringPool& strings);

// A table of a database (not a transform): column by column, every row's
// value of the first column, then of the second, and so on.
std::string StoredTable(const std::vector<Column>& columns,
                        const std::vector<std::vector<Cell>>& rows, StringPool& strings);

class TableStream {
 public:
  explicit TableStream(std::vector<Column> columns) : columns_(std::move(columns)) {}

  // A new row: one cell per column.
  void Insert(const std::vector<Cell>& row, StringPool& strings);
  // Changes the columns whose bits `changed` sets in the row that `row`'s key
  // columns name; `row` has one cell per column, the others are not written.
  void Update(const std::vector<Cell>& row, std::uint16_t changed, StringPool& strings);

  const std::string& Bytes() const { return bytes_; }

 private:
  std::vector<Column> columns_;
  std::string bytes_;
};

}  // namespace msptool
