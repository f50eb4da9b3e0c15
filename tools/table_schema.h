// The tables a patch touches: the layouts of the products' tables it changes,
// and the definitions (as the system tables _Tables and _Columns hold them)
// of the tables it adds, which a database, or a transform that adds tables,
// must carry for the installer to know their columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table_stream.h"

namespace msptool {

// _Columns' Type values: the width in the low byte, then these bits.
inline constexpr std::uint16_t kColumnShortInt = 0x0502;  // i2
inline constexpr std::uint16_t kColumnLongInt = 0x0104;   // i4
inline constexpr std::uint16_t kColumnString = 0x0D00;    // s<width>
inline constexpr std::uint16_t kColumnBinary = 0x0900;    // V0
inline constexpr std::uint16_t kColumnNullable = 0x1000;
inline constexpr std::uint16_t kColumnKey = 0x2000;

struct ColumnDefinition {
  std::string name;
  std::uint16_t type;  // as _Columns stores it
};

struct TableSchema {
  std::string name;
  std::vector<ColumnDefinition> columns;
};

// How the table's rows are stored (binary columns refer to a stream by name).
std::vector<Column> Layout(const TableSchema& table);

// The layouts of _Tables and _Columns themselves.
extern const std::vector<Column> kTablesLayout;
extern const std::vector<Column> kColumnsLayout;

// Layouts of the products' tables (the 32-bit Sequence and LastSequence of
// current schemas): Property, File, Media, and the sequence tables.
extern const std::vector<Column> kPropertyLayout;
extern const std::vector<Column> kFileLayout;
extern const std::vector<Column> kMediaLayout;
extern const std::vector<Column> kSequenceLayout;

// The tables a patch transform brings into a product: Patch, PatchPackage
// and MsiPatchHeaders, in that order.
extern const std::vector<TableSchema> kPatchTables;
inline constexpr std::size_t kPatchPackageTable = 1;
// The table a patch's root carries: the patch's family and its place there.
extern const TableSchema kPatchSequenceTable;

// The rows of _Tables (one per table) and of _Columns (one per column) that
// define `tables`.
std::vector<std::vector<Cell>> TablesRows(const std::vector<TableSchema>& tables);
std::vector<std::vector<Cell>> ColumnsRows(const std::vector<TableSchema>& tables);

}  // namespace msptool
