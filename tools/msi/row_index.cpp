#include "msi/row_index.h"

#include <algorithm>
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

// <0, 0 or >0 as key `a` sorts before, with or after key `b`: by kind, then
// by number or text, value by value.
int CompareKeys(KeyValues a, KeyValues b) {
  for (;;) {
    const Value* x = a.Next();
    const Value* y = b.Next();
    if (!x || !y) return (x != nullptr) - (y != nullptr);
    if (x->kind != y->kind) return x->kind < y->kind ? -1 : 1;
    if (x->kind == Value::Kind::Integer) {
      if (x->number != y->number) return x->number < y->number ? -1 : 1;
    } else if (const int c = x->text.str().compare(y->text.str()); c != 0) {
      return c;
    }
  }
}

// The layout of a key given alone: one key column.
const Table kOneKey{"", {{"", kText | kTypeKey}}, {}};

}  // namespace

RowIndex::RowIndex(const Table& table) : RowIndex(&table) {}

RowIndex::RowIndex(const Table* table) : table_(table) {
  if (!table) return;
  sorted_.reserve(table->rows.size());
  for (const auto& row : table->rows) sorted_.push_back(&row);
  const auto before = [table](const Row* a, const Row* b) {
    return CompareKeys({*table, *a}, {*table, *b}) < 0;
  };
  std::stable_sort(sorted_.begin(), sorted_.end(), before);
  // The second row of each key, the earliest in the table of them.
  for (std::size_t i = 1; i < sorted_.size(); ++i)
    if (!before(sorted_[i - 1], sorted_[i]) && (i < 2 || before(sorted_[i - 2], sorted_[i - 1])) &&
        (!duplicate_ || std::less<const Row*>()(sorted_[i], duplicate_)))
      duplicate_ = sorted_[i];
}

const Row* RowIndex::Find(const Table& table, const Row& row) const {
  const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), &row,
                                   [&](const Row* indexed, const Row* wanted) {
                                     return CompareKeys({*table_, *indexed}, {table, *wanted}) < 0;
                                   });
  return at != sorted_.end() && CompareKeys({*table_, **at}, {table, row}) == 0 ? *at : nullptr;
}

const Row* RowIndex::Find(const std::string& key) const {
  return Find(kOneKey, {Value::String(key)});
}

}  // namespace msptool::msi
