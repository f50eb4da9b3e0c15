// Outside text made harmless for a box or the log: every character that
// breaks a line or reorders text, at the edges of each range, and what stays.
#include "messages/display_text.h"

#include <gtest/gtest.h>

namespace {

struct HarmlessCase {
  const wchar_t* text;
  const wchar_t* expected;
};

class HarmlessTextTest : public testing::TestWithParam<HarmlessCase> {};

TEST_P(HarmlessTextTest, BreaksBecomeSpacesAndReorderingGoes) {
  EXPECT_EQ(spinstall::messages::HarmlessText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, HarmlessTextTest,
    testing::Values(
        // A forged line inside a box or the log: CR LF and the others.
        HarmlessCase{L"Writer\r\nError Code: 0", L"Writer  Error Code: 0"},
        HarmlessCase{L"\x01\x1F\x7F\x80\x9F", L"     "},
        HarmlessCase{L"a\x2028"
                     L"b\x2029"
                     L"c",
                     L"a b c"},
        // "gnp<RLO>.exe" would show as "exe.png"; each bidirectional control.
        HarmlessCase{L"Writer gnp\x202E.exe", L"Writer gnp.exe"},
        HarmlessCase{L"\x061C\x200E\x200F\x202A\x202B\x202C\x202D\x202E", L""},
        HarmlessCase{L"a\x2066"
                     L"b\x2067"
                     L"c\x2068"
                     L"d\x2069"
                     L"e",
                     L"abcde"},
        // Their neighbours and other text stay as they are.
        HarmlessCase{L" ~\xA0\x061B\x061D\x200D\x2010\x2027\x2029\x202F\x2065\x206A",
                     L" ~\xA0\x061B\x061D\x200D\x2010\x2027 \x202F\x2065\x206A"},
        HarmlessCase{L"ライター 16.1.63.10 Écrivain", L"ライター 16.1.63.10 Écrivain"},
        HarmlessCase{L"", L""}));

}  // namespace
