#include "msi/database.h"

namespace msptool::msi {

std::size_t Table::ColumnIndex(const std::string& column) const {
  std::size_t i = 0;
  while (i < columns.size() && columns[i].name != column) ++i;
  return i;
}

const Table* Database::Find(const std::string& table) const {
  for (const auto& t : tables)
    if (t.name == table) return &t;
  return nullptr;
}

const Value& Cell(const Table& table, const Row& row, const std::string& column) {
  static const Value kNull;
  const std::size_t i = table.ColumnIndex(column);
  return i < row.size() ? row[i] : kNull;
}

const Row* FindRow(const Table* table, const std::string& key) {
  if (!table) return nullptr;
  for (const auto& row : table->rows)
    if (!row.empty() && row[0].text == key) return &row;
  return nullptr;
}

std::string KeyLabel(const Table& table, const Row& row) {
  std::string label;
  for (std::size_t i = 0; i < table.columns.size() && i < row.size(); ++i) {
    if (!table.columns[i].IsKey()) continue;
    if (!label.empty()) label += '/';
    label +=
        row[i].kind == Value::Kind::Integer ? std::to_string(row[i].number) : row[i].text.str();
  }
  return label;
}

std::string StreamName(const Table& table, const Row& row) {
  std::string name = table.name;
  for (std::size_t i = 0; i < table.columns.size() && i < row.size(); ++i) {
    if (!table.columns[i].IsKey()) continue;
    name += '.';
    name += row[i].kind == Value::Kind::Integer ? std::to_string(row[i].number) : row[i].text.str();
  }
  return name;
}

std::string Printed(const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null:
      return "null";
    case Value::Kind::Integer:
      return std::to_string(value.number);
    case Value::Kind::String:
      return '"' + value.text + '"';
    case Value::Kind::Stream:
      break;
  }
  return value.text.empty() ? "[stream]" : "[stream " + value.text.substr(0, 12) + "]";
}

std::string PropertyValue(const Database& db, const std::string& name) {
  const Table* table = db.Find("Property");
  const Row* row = FindRow(table, name);
  return row ? Cell(*table, *row, "Value").text.str() : std::string();
}

}  // namespace msptool::msi
