// A table's rows by their keys, built once and found in constant time. Two
// keys are equal when their key columns' values, in column order, are of one
// kind and have one number or text.
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
  struct Slot {
    std::size_t hash = 0;
    const Row* row = nullptr;  // null: free
  };
  // The slot of the row with the key of `row`, or the free slot where it
  // would go.
  std::size_t SlotOf(std::size_t hash, const Table& table, const Row& row) const;

  const Table* table_ = nullptr;
  // One row per key, at the first free slot from its hash on: a power of two
  // of slots, at most half of them used.
  std::vector<Slot> slots_;
  const Row* duplicate_ = nullptr;
};

}  // namespace msptool::msi
