#include "msi/row_index.h"

#include <functional>

namespace msptool::msi {
namespace {

// The key values of a row, in column order, one by one.
class KeyValues {
 public:
  KeyValues(const Table& table, const Row& row) : columns_(table.columns), row_(row) {}
  const Value* Next() {
    for (; at_ < columns_.size() && at_ < row_.size(); ++at_)
      if (columns_[at_].IsKey()) return &row_[at_++];
    return nullptr;
  }

 private:
  const std::vector<Column>& columns_;
  const Row& row_;
  std::size_t at_ = 0;
};

std::size_t KeyHash(KeyValues keys) {
  std::size_t hash = 0;
  while (const Value* v = keys.Next()) {
    const std::size_t part = v->kind == Value::Kind::Integer ? std::hash<std::int32_t>{}(v->number)
                                                             : std::hash<std::string>{}(v->text);
    hash = (hash * 31 + static_cast<std::size_t>(v->kind)) * 1000003 + part;
  }
  return hash;
}

bool SameKey(KeyValues a, KeyValues b) {
  for (;;) {
    const Value* x = a.Next();
    const Value* y = b.Next();
    if (!x || !y) return x == y;
    if (x->kind != y->kind ||
        (x->kind == Value::Kind::Integer ? x->number != y->number : x->text != y->text))
      return false;
  }
}

// The layout of a key given alone: one key column.
const Table kOneKey{"", {{"", kText | kTypeKey}}, {}};

}  // namespace

RowIndex::RowIndex(const Table& table) : RowIndex(&table) {}

RowIndex::RowIndex(const Table* table) : table_(table) {
  if (!table) return;
  rows_.reserve(table->rows.size());
  for (const auto& row : table->rows) {
    const std::size_t hash = KeyHash({*table, row});
    if (!Find(hash, *table, row))
      rows_.emplace(hash, &row);
    else if (!duplicate_)
      duplicate_ = &row;
  }
}

const Row* RowIndex::Find(const Table& table, const Row& row) const {
  return Find(KeyHash({table, row}), table, row);
}

const Row* RowIndex::Find(const std::string& key) const {
  return Find(kOneKey, {Value::String(key)});
}

const Row* RowIndex::Find(std::size_t hash, const Table& table, const Row& row) const {
  const auto [first, last] = rows_.equal_range(hash);
  for (auto at = first; at != last; ++at)
    if (SameKey({*table_, *at->second}, {table, row})) return at->second;
  return nullptr;
}

}  // namespace msptool::msi
