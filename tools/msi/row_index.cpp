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
  // Mixed, so that keys that differ in their high bits alone (integers) still
  // spread over the slots, which the low bits choose.
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9u;
  return hash ^ (hash >> 31);
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
  std::size_t size = 2;
  while (size < 2 * table->rows.size()) size *= 2;
  slots_.resize(size);
  for (const auto& row : table->rows) {
    const std::size_t hash = KeyHash({*table, row});
    Slot& slot = slots_[SlotOf(hash, *table, row)];
    if (!slot.row)
      slot = {hash, &row};
    else if (!duplicate_)
      duplicate_ = &row;
  }
}

const Row* RowIndex::Find(const Table& table, const Row& row) const {
  return slots_.empty() ? nullptr : slots_[SlotOf(KeyHash({table, row}), table, row)].row;
}

const Row* RowIndex::Find(const std::string& key) const {
  return Find(kOneKey, {Value::String(key)});
}

std::size_t RowIndex::SlotOf(std::size_t hash, const Table& table, const Row& row) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  while (slots_[at].row &&
         !(slots_[at].hash == hash && SameKey({*table_, *slots_[at].row}, {table, row})))
    at = (at + 1) & mask;
  return at;
}

}  // namespace msptool::msi
