// Texts into the code pages the installer reads them in: UTF-8 in, 1252 or
// UTF-8 out, and a patch's title stored so that a 1252 product's installer
// reads it back as written (not "fÃ¼r"), or in UTF-8 when 1252 cannot hold it.
#include "base/code_page.h"

#include <gtest/gtest.h>

#include "msi/standard_tables.h"
#include "patch/derive.h"
#include "support/small_patch.h"

namespace msptool {
namespace {

struct Encoding {
  const char* name;
  std::string utf8;
  std::uint32_t codePage;
  bool encodes;
  std::string stored;
};

class EncodingTest : public testing::TestWithParam<Encoding> {};

TEST_P(EncodingTest, EncodesWhatTheCodePageHoldsAndReadsItBack) {
  const auto& row = GetParam();
  std::string stored = "untouched";
  ASSERT_EQ(EncodeText(row.utf8, row.codePage, stored), row.encodes);
  if (!row.encodes) return;
  EXPECT_EQ(stored, row.stored);
  std::string back;
  ASSERT_TRUE(DecodeText(stored, row.codePage, back));
  EXPECT_EQ(back, row.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EncodingTest,
    testing::Values(Encoding{"ascii_neutral", "Update 1.0", 0, true, "Update 1.0"},
                    Encoding{"umlaut_neutral", "f\xC3\xBCr", 0, false, ""},
                    Encoding{"umlaut_western", "f\xC3\xBCr", 1252, true, "f\xFCr"},
                    Encoding{"euro_western", "\xE2\x82\xAC 5", 1252, true, "\x80 5"},
                    Encoding{"last_latin1_western", "\xC3\xBF", 1252, true, "\xFF"},
                    Encoding{"nbsp_western", "\xC2\xA0", 1252, true, "\xA0"},
                    Encoding{"c1_control_not_western", "\xC2\x81", 1252, false, ""},
                    Encoding{"cyrillic_not_western", "\xD0\x9E", 1252, false, ""},
                    Encoding{"cyrillic_utf8", "\xD0\x9E", 65001, true, "\xD0\x9E"},
                    Encoding{"four_byte_utf8", "\xF0\x9F\x98\x80", 65001, true, "\xF0\x9F\x98\x80"},
                    Encoding{"latin1_byte_is_no_utf8", "f\xFCr", 65001, false, ""},
                    Encoding{"overlong_slash", "\xC0\xAF", 65001, false, ""},
                    Encoding{"surrogate", "\xED\xA0\x80", 65001, false, ""},
                    Encoding{"truncated", "\xE2\x82", 1252, false, ""},
                    Encoding{"unsupported_code_page", "abc", 1251, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeTextTest, UndefinedWesternByteIsNoText) {
  std::string out;
  EXPECT_FALSE(DecodeText("a\x81", 1252, out));
  EXPECT_TRUE(DecodeText("ascii", 1251, out));
  EXPECT_FALSE(DecodeText("\xC0", 1251, out));
}

struct TitleCase {
  const char* name;
  std::uint32_t productCodePage;
  std::string title;  // UTF-8, as given
  bool made;
  std::uint32_t summaryCodePage, rootCodePage;
  std::string stored;           // the title as the summary stores it
  std::string rootStored = {};  // as MsiPatchMetadata stores it, when not the same
};

class TitleTest : public testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, TitleIsStoredInACodePageThatHoldsIt) {
  const auto& row = GetParam();
  auto t = toolstest::SmallTarget("{6A4C2E1B-3D5F-4A7B-9C8D-0E1F2A3B4C5D}", "1.0.0", "1.0.1");
  t.upgraded.codePage = row.productCodePage;
  PatchOptions options;
  options.title = row.title;
  DerivedPatch patch;
  std::string error;
  ASSERT_EQ(DerivePatch({t}, options, patch, error), row.made) << error;
  if (!row.made) {
    EXPECT_NE(error.find("no code page msp_tool writes"), std::string::npos) << error;
    return;
  }
  EXPECT_EQ(patch.summary.codePage, row.summaryCodePage);
  EXPECT_EQ(patch.summary.title, row.stored);
  EXPECT_EQ(patch.body.rootTables.codePage, row.rootCodePage);
  std::string displayName;
  for (const auto& r : patch.body.rootTables.Find("MsiPatchMetadata")->rows)
    if (r[1].text == "DisplayName") displayName = r[2].text;
  EXPECT_EQ(displayName, row.rootStored.empty() ? row.stored : row.rootStored);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleTest,
    testing::Values(
        TitleCase{"german_for_a_western_product", 1252, "Aktualisierung f\xC3\xBCr Small", true,
                  1252, 1252, "Aktualisierung f\xFCr Small"},
        TitleCase{"german_for_a_neutral_product", 0, "f\xC3\xBCr", true, 1252, 1252, "f\xFCr"},
        TitleCase{"russian_for_a_western_product", 1252, "\xD0\x9E Small", true, 65001, 65001,
                  "\xD0\x9E Small"},
        // The summary's own code page: 1252 holds it; the tables keep the
        // database's.
        TitleCase{"german_for_a_utf8_product", 65001, "f\xC3\xBCr", true, 1252, 65001, "f\xFCr",
                  "f\xC3\xBCr"},
        TitleCase{"ascii_for_a_utf8_product", 65001, "Update", true, 1252, 0, "Update"},
        TitleCase{"latin1_bytes_are_refused", 1252, "f\xFCr", false, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace msptool
