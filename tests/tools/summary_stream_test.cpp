// The summary information stream: one property set section in the summary
// format, properties sorted by id, each value padded to four bytes.
#include "summary/summary_stream.h"

#include <gtest/gtest.h>

#include "bytes.h"

namespace msptool {
namespace {

TEST(SummaryStreamTest, SmallPropertySetIsLaidOutByteForByte) {
  using T = SummaryProperty::Type;
  // Given out of order: the stream sorts them by id.
  const std::string stream = BuildSummaryStream({
      {9, T::Text, 0, "ab"},
      {1, T::I2, 1252, {}},
      {16, T::I4, 0x0800, {}},
      {12, T::FileTime, 0x0123456789ABCDEF, {}},
  });
  const std::string expected =
      // header: byte order, format 0, originating system, class id, one section
      Bytes({0xFE, 0xFF, 0, 0, 6, 0, 2, 0}) + std::string(16, '\0') + Bytes({1, 0, 0, 0}) +
      // the summary format id, and the section's offset
      Bytes({0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27,
             0xB3, 0xD9}) +
      Bytes({48, 0, 0, 0}) +
      // section: size 80, 4 properties, (id, offset) pairs
      Bytes({80, 0, 0, 0, 4, 0, 0, 0}) + Bytes({1, 0, 0, 0, 40, 0, 0, 0}) +
      Bytes({9, 0, 0, 0, 48, 0, 0, 0}) + Bytes({12, 0, 0, 0, 60, 0, 0, 0}) +
      Bytes({16, 0, 0, 0, 72, 0, 0, 0}) +
      // 1: VT_I2 1252, padded
      Bytes({2, 0, 0, 0, 0xE4, 0x04, 0, 0}) +
      // 9: VT_LPSTR, 3 bytes with the terminator, padded
      Bytes({30, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 0, 0}) +
      // 12: VT_FILETIME, low then high double word
      Bytes({64, 0, 0, 0, 0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}) +
      // 16: VT_I4
      Bytes({3, 0, 0, 0, 0x00, 0x08, 0, 0});
  EXPECT_EQ(stream, expected);
}

TEST(SummaryStreamTest, TextOfFourBytesGainsAFullPadWord) {
  using T = SummaryProperty::Type;
  const std::string stream = BuildSummaryStream({{7, T::Text, 0, "abcd"}});
  // 48-byte header, 16 bytes of section head, then type, length 5, text, zero, 3 pad.
  EXPECT_EQ(stream.substr(64), Bytes({30, 0, 0, 0, 5, 0, 0, 0, 'a', 'b', 'c', 'd', 0, 0, 0, 0}));
  EXPECT_EQ(stream.size(), 80u);
}

// What the stamp does to a stream: read it as stored, assemble it again.
TEST(SummaryStreamTest, ReadThenAssembledGivesTheSameBytes) {
  using T = SummaryProperty::Type;
  const std::string stream =
      BuildSummaryStream({{1, T::I2, 1252, {}}, {5, T::Text, 0, "x;y,"}, {7, T::Text, 0, ";1033"}});
  std::string header;
  std::vector<StoredProperty> properties;
  ASSERT_TRUE(ReadSummaryStream(stream, header, properties));
  ASSERT_EQ(properties.size(), 3u);
  std::int64_t codePage = 0;
  EXPECT_TRUE(StoredNumber(properties[0], codePage));
  EXPECT_EQ(codePage, 1252);
  EXPECT_EQ(properties[1].value, StoredText("x;y,"));
  EXPECT_EQ(AssembleSummaryStream(header, properties), stream);
  // A writer that leaves the last value unpadded ends the stream short of the
  // section's stated size: read all the same, and padded again.
  ASSERT_TRUE(ReadSummaryStream(stream.substr(0, stream.size() - 2), header, properties));
  EXPECT_EQ(properties[2].value.size(), 14u);
  EXPECT_EQ(AssembleSummaryStream(header, properties), stream);
}

TEST(SummaryStreamTest, StreamWhoseIndexOverrunsItsSectionIsRefused) {
  std::string stream = BuildSummaryStream({{1, SummaryProperty::Type::I2, 1252, {}}});
  std::string header;
  std::vector<StoredProperty> properties;
  stream[52] = 100;  // the section's property count
  EXPECT_FALSE(ReadSummaryStream(stream, header, properties));
  EXPECT_FALSE(ReadSummaryStream(stream.substr(0, 40), header, properties));
}

}  // namespace
}  // namespace msptool
