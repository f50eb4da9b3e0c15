#include "table_stream.h"

#include "little_endian.h"

namespace msptool {

void PutCell(std::string& out, const Column& column, const Cell& cell, StringPool& strings) {
  const auto* text = std::get_if<std::string>(&cell);
  const auto* number = std::get_if<std::int32_t>(&cell);
  switch (column.type) {
    case Column::Type::String:
      PutU16(out, text ? strings.Reference(*text) : 0);
      break;
    case Column::Type::Int16:
      PutU16(out, number ? static_cast<std::uint32_t>(*number + 0x8000) : 0);
      break;
    case Column::Type::Int32:
      PutU32(out, number ? static_cast<std::uint32_t>(*number) ^ 0x80000000u : 0);
      break;
  }
}

std::string StoredTable(const std::vector<Column>& columns,
                        const std::vector<std::vector<Cell>>& rows, StringPool& strings) {
  std::string out;
  for (std::size_t i = 0; i < columns.size(); ++i)
    for (const auto& row : rows) PutCell(out, columns[i], row[i], strings);
  return out;
}

void TableStream::Insert(const std::vector<Cell>& row, StringPool& strings) {
  PutU16(bytes_, static_cast<std::uint32_t>(columns_.size() << 8) | 1);
  for (std::size_t i = 0; i < columns_.size(); ++i) PutCell(bytes_, columns_[i], row[i], strings);
}

void TableStream::Update(const std::vector<Cell>& row, std::uint16_t changed, StringPool& strings) {
  PutU16(bytes_, changed);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].key || (changed & (1u << i))) PutCell(bytes_, columns_[i], row[i], strings);
  }
}

}  // namespace msptool
