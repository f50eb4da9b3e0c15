#include "table_schema.h"

namespace msptool {

using Type = Column::Type;

const std::vector<Column> kPropertyLayout = {{Type::String, true}, {Type::String, false}};
const std::vector<Column> kFileLayout = {
    {Type::String, true},   // File
    {Type::String, false},  // Component_
    {Type::String, false},  // FileName
    {Type::Int32, false},   // FileSize
    {Type::String, false},  // Version
    {Type::String, false},  // Language
    {Type::Int16, false},   // Attributes
    {Type::Int32, false},   // Sequence
};
const std::vector<Column> kMediaLayout = {
    {Type::Int16, true},    // DiskId
    {Type::Int32, false},   // LastSequence
    {Type::String, false},  // DiskPrompt
    {Type::String, false},  // Cabinet
    {Type::String, false},  // VolumeLabel
    {Type::String, false},  // Source
};
const std::vector<Column> kSequenceLayout = {
    {Type::String, true},   // Action
    {Type::String, false},  // Condition
    {Type::Int16, false},   // Sequence
};

namespace {

constexpr std::uint16_t kS72Key = kColumnString | kColumnKey | 72;
constexpr std::uint16_t kS38Key = kColumnString | kColumnKey | 38;

}  // namespace

const std::vector<TableSchema> kPatchTables = {
    {"Patch",
     {{"File_", kS72Key},
      {"Sequence", kColumnShortInt | kColumnKey},
      {"PatchSize", kColumnLongInt},
      {"Attributes", kColumnShortInt},
      {"Header", kColumnBinary | kColumnNullable},
      {"StreamRef_", kColumnString | kColumnNullable | 72}}},
    {"PatchPackage", {{"PatchId", kS38Key}, {"Media_", kColumnShortInt}}},
    {"MsiPatchHeaders", {{"StreamRef", kS72Key}, {"Header", kColumnBinary}}},
};

const TableSchema kPatchSequenceTable = {"MsiPatchSequence",
                                         {{"PatchFamily", kS72Key},
                                          {"ProductCode", kS38Key | kColumnNullable},
                                          {"Sequence", kColumnString | 72},
                                          {"Attributes", kColumnLongInt | kColumnNullable}}};

const std::vector<Column> kTablesLayout = {{Column::Type::String, true}};
const std::vector<Column> kColumnsLayout = {{Column::Type::String, true},
                                            {Column::Type::Int16, true},
                                            {Column::Type::String, false},
                                            {Column::Type::Int16, false}};

std::vector<Column> Layout(const TableSchema& table) {
  std::vector<Column> layout;
  for (const auto& c : table.columns) {
    const bool key = (c.type & kColumnKey) != 0;
    if (c.type & 0x0800)
      layout.push_back({Column::Type::String, key});
    else
      layout.push_back({(c.type & 0xFF) == 2 ? Column::Type::Int16 : Column::Type::Int32, key});
  }
  return layout;
}

std::vector<std::vector<Cell>> TablesRows(const std::vector<TableSchema>& tables) {
  std::vector<std::vector<Cell>> rows;
  for (const auto& t : tables) rows.push_back({t.name});
  return rows;
}

std::vector<std::vector<Cell>> ColumnsRows(const std::vector<TableSchema>& tables) {
  std::vector<std::vector<Cell>> rows;
  for (const auto& t : tables) {
    for (std::size_t i = 0; i < t.columns.size(); ++i)
      rows.push_back({t.name, static_cast<std::int32_t>(i + 1), t.columns[i].name,
                      static_cast<std::int32_t>(t.columns[i].type)});
  }
  return rows;
}

}  // namespace msptool
