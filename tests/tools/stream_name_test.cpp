// Stream names as the installer stores them: table streams behind 0x4840,
// characters of the 64-symbol alphabet packed two to a UTF-16 unit as
// 0x3800 + a + (b << 6), a lone last one as 0x4800 + a, others as themselves.
#include <gtest/gtest.h>

#include "compound/writer.h"

namespace msptool {
namespace {

// UTF-16 units as the UTF-8 that libgsf takes.
std::string Utf8(std::initializer_list<unsigned> units) {
  std::string out;
  for (unsigned u : units) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

TEST(StreamNameTest, TableNamesAreHandComputed) {
  // P=25 r=53 -> 0x3800+25+53*64 = 0x4559; o=50 p=51 -> 0x44F2; e=40 r=53 -> 0x4568;
  // t=55 y=60 -> 0x4737.
  EXPECT_EQ(EncodeStreamName("Property", true), Utf8({0x4840, 0x4559, 0x44F2, 0x4568, 0x4737}));
  // _=63 S=28 -> 0x3F3F; t=55 r=53 -> 0x4577; i=44 n=49 -> 0x446C; g=42 P=25 -> 0x3E6A;
  // o=50 o=50 -> 0x44B2; l=47 alone -> 0x4800+47 = 0x482F.
  EXPECT_EQ(EncodeStreamName("_StringPool", true),
            Utf8({0x4840, 0x3F3F, 0x4577, 0x446C, 0x3E6A, 0x44B2, 0x482F}));
}

TEST(StreamNameTest, OtherStreamsHaveNoPrefix) {
  // p=51 a=36 -> 0x4133; t=55 c=38 -> 0x41B7; h=43 .=62 -> 0x47AB; c=38 a=36 -> 0x4126;
  // b=37 alone -> 0x4825.
  EXPECT_EQ(EncodeStreamName("patch.cab", false), Utf8({0x4133, 0x41B7, 0x47AB, 0x4126, 0x4825}));
}

TEST(StreamNameTest, AlphabetEdgesPackToTheirIndexes) {
  // 0=0 9=9 -> 0x3800+0+(9<<6) = 0x3A40; A=10 Z=35 -> 0x3800+10+(35<<6) = 0x40CA;
  // a=36 z=61 -> 0x3800+36+(61<<6) = 0x4764; .=62 _=63 -> 0x3800+62+(63<<6) = 0x47FE.
  EXPECT_EQ(EncodeStreamName("09AZaz._", false), Utf8({0x3A40, 0x40CA, 0x4764, 0x47FE}));
}

TEST(StreamNameTest, CharactersOutsideTheAlphabetStayThemselves) {
  // a alone before '-' -> 0x4824; '-' itself; b alone -> 0x4825.
  EXPECT_EQ(EncodeStreamName("a-b", false), Utf8({0x4824, '-', 0x4825}));
  EXPECT_EQ(EncodeStreamName("", true), Utf8({0x4840}));
}

}  // namespace
}  // namespace msptool
