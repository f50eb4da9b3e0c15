// Rows as streams store them, in a database and in a transform.
//
// A value: a string as its pool reference (2 or 3 bytes), a 16-bit integer
// plus 0x8000, a 32-bit integer XOR 0x80000000 (so that 0 stays null), a
// stream column as 16 bits, nonzero when the row has a stream.
//
// A database table stream is column by column: every row's first value, then
// every row's second value, and so on. A transform's table stream is row by
// row, each row after a 16-bit mask:
//  - (column count << 8) | 1: a whole row (inserted, or replacing the row of
//    the same key), every column;
//  - 0: the row with these keys is deleted; the key columns follow;
//  - otherwise bit i set for each changed column i: the key columns and the
//    changed columns follow, in column order.
#pragma once

#include <string>
#include <vector>

#include "msi/database.h"
#include "msi/string_pool.h"

namespace msptool::msi {

// The layouts of the system tables that hold every other table's layout.
extern const std::vector<Column> kTablesLayout;   // Name
extern const std::vector<Column> kColumnsLayout;  // Table, Number, Name, Type

// Adds the strings of `row` to `pool` (one reference each).
void AddStrings(const std::vector<Column>& columns, const Row& row, StringPool& pool);

// A row that fits `columns`: one value per column, each of the column's kind,
// integers in its range. Otherwise false, with `error` naming the column.
bool FitsLayout(const std::vector<Column>& columns, const Row& row, std::string& error);

// A database table's stream; every string already in `pool`. The rows must
// fit the layout (FitsLayout).
std::string EncodeTable(const std::vector<Column>& columns, const std::vector<Row>& rows,
                        const StringPool& pool);
// Its rows again; false when the bytes are no whole number of rows or refer
// to strings the pool does not have. Stream cells come back without digest.
bool DecodeTable(const std::vector<Column>& columns, const std::string& bytes,
                 const StringTable& strings, std::vector<Row>& rows, std::string& error);

// One transform row, mask first.
inline constexpr std::uint32_t kWholeRow = 1;
std::uint32_t WholeRowMask(const std::vector<Column>& columns);
void EncodeTransformRow(const std::vector<Column>& columns, const Row& row, std::uint32_t mask,
                        const StringPool& pool, std::string& out);

// One transform row read at `at` (advanced past it). `row` gets a value per
// column, null where the row has none.
bool DecodeTransformRow(const std::vector<Column>& columns, const std::string& bytes,
                        std::size_t& at, const StringTable& strings, std::uint32_t& mask, Row& row,
                        std::string& error);

}  // namespace msptool::msi
