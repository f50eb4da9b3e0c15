// The row index: of rows that share a key the first is found and the second
// named; keys compare by kind and value, wherever a table's key columns lie.
#include "msi/row_index.h"

#include <gtest/gtest.h>

namespace msptool::msi {
namespace {

Value S(const char* text) { return Value::String(text); }
Value I(int number) { return Value::Integer(number); }

TEST(RowIndexTest, FindsTheFirstOfRowsThatShareAKey) {
  const Table t{
      "T",
      {{"A", kText | kTypeKey | 72}, {"B", kShortInteger | kTypeKey}, {"C", kText}},
      {{S("x"), I(1), S("first")}, {S("x"), I(2), S("other")}, {S("x"), I(1), S("again")}}};
  const RowIndex index(t);
  EXPECT_EQ(index.Duplicate(), &t.rows[2]);
  EXPECT_EQ(index.Find(t, t.rows[2]), &t.rows[0]);
  EXPECT_EQ(index.Find(t, t.rows[1]), &t.rows[1]);
  EXPECT_EQ(RowIndex(Table{"U", t.columns, {t.rows[0], t.rows[1]}}).Duplicate(), nullptr);
}

TEST(RowIndexTest, ComparesKeysByKindAndValueWhereverTheyLie) {
  const Table numbers{"N", {{"Id", kShortInteger | kTypeKey}, {"V", kText}}, {{I(1), S("a")}}};
  const Table moved{"M", {{"V", kText}, {"Id", kShortInteger | kTypeKey}}, {{S("b"), I(1)}}};
  const Table texts{"S", {{"V", kText}, {"Id", kText | kTypeKey | 72}}, {{S("c"), S("1")}}};
  const RowIndex byNumber(numbers), byText(texts);
  EXPECT_EQ(byNumber.Find(moved, moved.rows[0]), &numbers.rows[0]);
  EXPECT_EQ(byNumber.Find(texts, texts.rows[0]), nullptr);  // "1" is not 1
  EXPECT_EQ(byText.Find("1"), &texts.rows[0]);
  EXPECT_EQ(byText.Find("c"), nullptr);
  EXPECT_EQ(RowIndex(nullptr).Find("1"), nullptr);
}

}  // namespace
}  // namespace msptool::msi
