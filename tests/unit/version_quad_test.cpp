#include "apply/version_quad.h"

#include <gtest/gtest.h>

#include "apply/decimal_reading.h"
#include "platform/host/utf8.h"
#include "support/case_name.h"

namespace spinstall::apply {
namespace {

struct QuadCase {
  const wchar_t* text;
  std::uint16_t major, minor, build, revision;
};

// Readable names in test listings: the text as UTF-8.
void PrintTo(const QuadCase& c, std::ostream* os) {
  *os << '"' << platform::host::Narrow(c.text) << '"';
}

class ParseVersionQuadTest : public testing::TestWithParam<QuadCase> {};

TEST_P(ParseVersionQuadTest, ReadsFourFields) {
  const QuadCase& c = GetParam();
  const VersionQuad q = ParseVersionQuad(c.text);
  EXPECT_EQ(q.major, c.major);
  EXPECT_EQ(q.minor, c.minor);
  EXPECT_EQ(q.build, c.build);
  EXPECT_EQ(q.revision, c.revision);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ParseVersionQuadTest,
    testing::Values(QuadCase{L"16.1.84.0", 16, 1, 84, 0}, QuadCase{L"16.1.63.10", 16, 1, 63, 10},
                    // Commas read as dots; a trailing ',' is harmless.
                    QuadCase{L"16,1,63,10", 16, 1, 63, 10}, QuadCase{L"16.1.63.10,", 16, 1, 63, 10},
                    // Fewer than three dots: each field runs to the next '.' or the end.
                    QuadCase{L"16.1.84", 16, 1, 84, 0}, QuadCase{L"16.1", 16, 1, 0, 0},
                    QuadCase{L"16", 16, 0, 0, 0}, QuadCase{L"", 0, 0, 0, 0},
                    // Empty fields read 0 and parsing goes on.
                    QuadCase{L".1.2.3", 0, 1, 2, 3}, QuadCase{L"16..84.0", 16, 0, 84, 0},
                    // Text after a fourth '.' is ignored.
                    QuadCase{L"16.1.84.0.7", 16, 1, 84, 0},
                    // Non-digits end a field; leading blanks are skipped.
                    QuadCase{L"x84.1.2.3", 0, 1, 2, 3}, QuadCase{L"84x.1.2.3", 84, 1, 2, 3},
                    QuadCase{L"  16. 1.\t84.  0", 16, 1, 84, 0},
                    // Values are kept modulo 65536.
                    QuadCase{L"70000.65535.65536.-1", 4464, 65535, 0, 65535},
                    QuadCase{L"+7.-0.4294967297.0", 7, 0, 1, 0},
                    // Decimal digits of other scripts, full-width ones included.
                    QuadCase{L"\xFF11\xFF16.\x0661.\x0968\x0966.\x0E53", 16, 1, 20, 3}),
    testsupport::CaseName());

TEST(VersionQuadEquals, EveryFieldCounts) {
  const VersionQuad base = ParseVersionQuad(L"16.1.63.10");
  EXPECT_TRUE(VersionQuadEquals(base, ParseVersionQuad(L"16,1,63,10,")));
  for (const wchar_t* other : {L"17.1.63.10", L"16.2.63.10", L"16.1.64.10", L"16.1.63.11"}) {
    const VersionQuad q = ParseVersionQuad(other);
    EXPECT_FALSE(VersionQuadEquals(base, q)) << other;
    EXPECT_FALSE(VersionQuadEquals(q, base)) << other;
  }
  // The mended reading keeps the second field of a two-field version.
  EXPECT_FALSE(VersionQuadEquals(ParseVersionQuad(L"16.1"), ParseVersionQuad(L"16.5")));
  EXPECT_FALSE(VersionQuadEquals(ParseVersionQuad(L"16.1.63"), base));
}

TEST(ReadDecimal, FullThirtyTwoBits) {
  EXPECT_EQ(ReadDecimal(L"1031"), 1031);
  EXPECT_EQ(ReadDecimal(L"  -12abc"), -12);
  EXPECT_EQ(ReadDecimal(L"+"), 0);
  EXPECT_EQ(ReadDecimal(L"abc"), 0);
  EXPECT_EQ(ReadDecimal(L"- 5"), 0);
  EXPECT_EQ(ReadDecimal(L"2147483648"), INT32_MIN);  // wraps, no overflow check
  EXPECT_EQ(ReadDecimal(L"\x3000\xFF11\xFF10\xFF13\xFF11"), 1031);
}

TEST(DecimalDigitValue, ScriptsAndNeighbours) {
  EXPECT_EQ(DecimalDigitValue(L'0'), 0);
  EXPECT_EQ(DecimalDigitValue(L'9'), 9);
  EXPECT_EQ(DecimalDigitValue(L'/'), -1);
  EXPECT_EQ(DecimalDigitValue(L':'), -1);
  EXPECT_EQ(DecimalDigitValue(0xFF10), 0);
  EXPECT_EQ(DecimalDigitValue(0xFF19), 9);
  EXPECT_EQ(DecimalDigitValue(0xFF1A), -1);
  EXPECT_EQ(DecimalDigitValue(0x0669), 9);  // Arabic-Indic nine
  EXPECT_EQ(DecimalDigitValue(0x066A), -1);
  EXPECT_EQ(DecimalDigitValue(0x00B2), -1);  // superscript two is no decimal digit
}

}  // namespace
}  // namespace spinstall::apply
