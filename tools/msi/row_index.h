// A table's rows by their keys, sorted once and found by binary search: time
// n log n however a hostile package chooses its keys (a hash table's
// colliding keys cost n squared). Two keys are equal when their key columns'
// values, in column order, are of one kind and have one number or text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "msi/database.h"

namespace msptool::msi {

class RowIndex {
 public:
  // Of rows that share a key, the first is found; Duplicate() names the
  // second. The index refers to `table`'s rows: it must not outlive them.
  explicit RowIndex(const Table& table);
  // No table: no rows.
  explicit RowIndex(const Table* table);

  // The row with the key that `row` of `table` has (the two tables' key
  // columns may lie at other places), or null.
  const Row* Find(const Table& table, const Row& row) const;
  // The row whose only key value is the text `key`, or null.
  const Row* Find(const std::string& key) const;

  // The first row whose key an earlier row has, or null.
  const Row* Duplicate() const { return duplicate_; }

 private:
  const Table* table_ = nullptr;
  std::vector<const Row*> sorted_;  // by key, rows of one key in table order
  const Row* duplicate_ = nullptr;
};

}  // namespace msptool::msi
