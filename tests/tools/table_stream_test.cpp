// Transform rows and the string pool they refer to, byte for byte.
#include "table_stream.h"

#include <gtest/gtest.h>

#include "bytes.h"

#include "string_pool.h"

namespace msptool {
namespace {

using Type = Column::Type;

TEST(StringPoolTest, CountsReferencesAndKeepsFirstUseOrder) {
  StringPool pool;
  EXPECT_EQ(pool.Reference("ProductVersion"), 1);
  EXPECT_EQ(pool.Reference("16.1.84.0"), 2);
  EXPECT_EQ(pool.Reference("ProductVersion"), 1);
  EXPECT_EQ(pool.Reference(""), 0);  // null
  EXPECT_EQ(pool.Size(), 2u);
  // Code page 1252, then (length, references) per string.
  EXPECT_EQ(pool.PoolBytes(), Bytes({0xE4, 0x04, 0, 0, 14, 0, 2, 0, 9, 0, 1, 0}));
  EXPECT_EQ(pool.DataBytes(), "ProductVersion16.1.84.0");
}

TEST(StringPoolTest, EmptyPoolIsTheCodePageAlone) {
  EXPECT_EQ(StringPool().PoolBytes(), Bytes({0xE4, 0x04, 0, 0}));
  EXPECT_EQ(StringPool().DataBytes(), "");
}

TEST(TableStreamTest, ChangedValueColumnOfAPropertyRow) {
  StringPool pool;
  TableStream property({{Type::String, true}, {Type::String, false}});
  property.Update({std::string("ProductVersion"), std::string("16.1.84.0")}, 1u << 1, pool);
  // Mask 0x0002, key string 1, value string 2.
  EXPECT_EQ(property.Bytes(), Bytes({0x02, 0x00, 1, 0, 2, 0}));
}

TEST(TableStreamTest, ChangedRowCarriesKeysAndMaskedColumnsOnly) {
  StringPool pool;
  TableStream table({{Type::String, true},
                     {Type::String, false},
                     {Type::Int32, false},
                     {Type::Int16, false},
                     {Type::Int32, false}});
  // Columns 2 and 4 change; columns 1 and 3 are not written whatever they hold.
  table.Update({std::string("readme.txt"), std::string("ignored"), 300, 7, 1001},
               (1u << 2) | (1u << 4), pool);
  EXPECT_EQ(table.Bytes(), Bytes({0x14, 0x00,                 // mask
                                  1, 0,                       // key: string 1
                                  0x2C, 0x01, 0x00, 0x80,     // 300 ^ 0x80000000
                                  0xE9, 0x03, 0x00, 0x80}));  // 1001 ^ 0x80000000
  EXPECT_EQ(pool.Size(), 1u);
}

TEST(TableStreamTest, InsertedRowCarriesEveryColumnNullsAsZero) {
  StringPool pool;
  TableStream media({{Type::Int16, true},
                     {Type::Int32, false},
                     {Type::String, false},
                     {Type::String, false},
                     {Type::String, false},
                     {Type::String, false}});
  media.Insert({1000, 1002, {}, std::string("#patch.cab"), {}, std::string("PatchMediaSource")},
               pool);
  EXPECT_EQ(media.Bytes(), Bytes({0x01, 0x06,              // six columns, inserted
                                  0xE8, 0x83,              // 1000 + 0x8000
                                  0xEA, 0x03, 0x00, 0x80,  // 1002 ^ 0x80000000
                                  0, 0, 1, 0, 0, 0, 2, 0}));
  EXPECT_EQ(pool.DataBytes(), "#patch.cabPatchMediaSource");
}

TEST(TableStreamTest, RowsFollowEachOther) {
  StringPool pool;
  TableStream property({{Type::String, true}, {Type::String, false}});
  property.Update({std::string("A"), std::string("B")}, 2, pool);
  property.Update({std::string("C"), std::string("B")}, 2, pool);
  EXPECT_EQ(property.Bytes(), Bytes({2, 0, 1, 0, 2, 0, 2, 0, 3, 0, 2, 0}));
  EXPECT_EQ(pool.PoolBytes().substr(4), Bytes({1, 0, 1, 0, 1, 0, 2, 0, 1, 0, 1, 0}));
}

}  // namespace
}  // namespace msptool
