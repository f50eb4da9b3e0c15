// Filling a message template as the Windows formatter does, bounded by the
// output buffer.
#include "messages/message_format.h"

#include <gtest/gtest.h>

#include <climits>
#include "support/case_name.h"

namespace spinstall::messages {
namespace {

struct FormatCase {
  const wchar_t* tmpl;
  const wchar_t* text;
  std::int32_t number;
  std::size_t bufferChars;
  const wchar_t* expected;
};
void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.tmpl) << " " << c.bufferChars;
}

class FormatTemplateTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTemplateTest, Formats) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatTemplate(c.tmpl, c.text, c.number, c.bufferChars), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, FormatTemplateTest,
    testing::Values(
        // The two placeholders the catalogue uses.
        FormatCase{L"a %s b", L"name", 0, 100, L"a name b"},
        FormatCase{L"a %s b", L"", 0, 100, L"a  b"},
        FormatCase{L"%s", L"100%", 0, 100, L"100%"},  // the argument is not a format
        FormatCase{L"code %d.", L"", 1603, 100, L"code 1603."},
        FormatCase{L"%d", L"", 0, 100, L"0"}, FormatCase{L"%d", L"", -5, 100, L"-5"},
        FormatCase{L"%d", L"", INT32_MAX, 100, L"2147483647"},
        FormatCase{L"%d", L"", INT32_MIN, 100, L"-2147483648"},
        FormatCase{L"%i", L"", 42, 100, L"42"},
        // Each conversion takes its own argument.
        FormatCase{L"%s: %d", L"x", 7, 100, L"x: 7"},
        // "%%" is one '%'; any other character after a '%' is copied without
        // the '%'; a '%' at the very end prints nothing.
        FormatCase{L"100%%", L"x", 0, 100, L"100%"}, FormatCase{L"%%s %%d", L"x", 7, 100, L"%s %d"},
        FormatCase{L"a%qb", L"x", 7, 100, L"aqb"}, FormatCase{L"a% b", L"x", 7, 100, L"a b"},
        FormatCase{L"50%", L"x", 7, 100, L"50"}, FormatCase{L"%", L"x", 7, 100, L""},
        FormatCase{L"", L"x", 7, 100, L""},
        // The buffer holds bufferChars - 1 characters and the terminator.
        FormatCase{L"abc", L"", 0, 0, L""}, FormatCase{L"abc", L"", 0, 1, L""},
        FormatCase{L"abc", L"", 0, 2, L"a"}, FormatCase{L"abc", L"", 0, 3, L"ab"},
        FormatCase{L"abc", L"", 0, 4, L"abc"}, FormatCase{L"abc", L"", 0, 5, L"abc"},
        FormatCase{L"a%sz", L"hello", 0, 4, L"ahe"}, FormatCase{L"a%sz", L"hello", 0, 7, L"ahello"},
        FormatCase{L"a%sz", L"hello", 0, 8, L"ahelloz"}, FormatCase{L"%d!", L"", -12345, 4, L"-12"},
        FormatCase{L"%d!", L"", -12345, 7, L"-12345"}, FormatCase{L"a%%b", L"", 0, 3, L"a%"},
        FormatCase{L"%s", L"x", 0, 1, L""}),
    testsupport::CaseName());

}  // namespace
}  // namespace spinstall::messages
