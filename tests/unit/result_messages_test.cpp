// Result messages: one box per outcome, in the thread locale's language, with
// the caption and icon of its ID, and nothing at all when quiet.
#include "messages/result_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/environment.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/boxes.h"
#include "support/case_name.h"
#include "support/catalogue_text.h"
#include "support/fresh_process.h"

namespace spinstall::messages {
namespace {

using testsupport::Box;
using testsupport::BoxCapture;
using testsupport::CatalogueEntry;
using testsupport::CatalogueMessage;
using testsupport::EnglishText;
using testsupport::FillPlaceholder;

class ResultMessagesTest : public testsupport::FreshProcessTest {
 protected:
  void SetUp() override {
    FreshProcessTest::SetUp();
    platform::SetThreadLocale(1033);
  }

  // The boxes one message showed.
  static std::vector<Box> Show(std::uint32_t id) {
    BoxCapture capture;
    ShowResultMessage(id);
    return capture.Stop();
  }
};

TEST_F(ResultMessagesTest, QuietShowsNothingAndLeavesTheLastErrorAlone) {
  Quiet() = true;
  CurrentProductName() = L"Sample Writer";
  for (std::uint32_t id : {300, 301, 306, 307, 308, 309, 310}) {
    platform::SetLastError(1603);
    BoxCapture capture;
    ShowResultMessage(id);
    capture.Stop();
    EXPECT_EQ(capture.raw(), "") << id;
    EXPECT_EQ(platform::LastError(), 1603u) << id;
  }
}

struct ShapeCase {
  std::uint32_t id;
  std::uint32_t captionId;
  const char* icon;
  const char* argument;  // what the placeholder prints
};

class ResultMessageShapeTest : public ResultMessagesTest,
                               public testing::WithParamInterface<ShapeCase> {};

TEST_P(ResultMessageShapeTest, CaptionIconAndText) {
  const ShapeCase& c = GetParam();
  CurrentProductName() = L"Sample Writer";
  platform::SetLastError(1603);
  const auto boxes = Show(c.id);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, EnglishText(c.captionId));
  EXPECT_EQ(boxes[0].icon, c.icon);
  EXPECT_EQ(boxes[0].text, FillPlaceholder(EnglishText(c.id), c.argument));
}

// 301 is the only message with the information icon.
INSTANTIATE_TEST_SUITE_P(Ids, ResultMessageShapeTest,
                         testing::Values(ShapeCase{300, 311, "error", "1603"},
                                         ShapeCase{301, 312, "information", "Sample Writer"},
                                         ShapeCase{306, 313, "error", "Sample Writer"},
                                         ShapeCase{307, 311, "error", ""},
                                         ShapeCase{308, 311, "error", "Sample Writer"},
                                         ShapeCase{309, 311, "error", ""},
                                         ShapeCase{310, 311, "error", ""}),
                         [](const auto& info) { return std::to_string(info.param.id); });

// A name that would forge a line inside the box, or show "gnp.exe" as
// "exe.png", shows without either in every box that prints it.
TEST_F(ResultMessagesTest, ProductNameIsMadeHarmlessInEveryBoxThatPrintsIt) {
  CurrentProductName() = L"Writer\r\nError Code: 0 \x202Egnp.exe";
  for (std::uint32_t id : {kMsgSuccess, kMsgNotNeeded, kMsgWrongVersion}) {
    const auto boxes = Show(id);
    ASSERT_EQ(boxes.size(), 1u) << id;
    EXPECT_EQ(boxes[0].text, FillPlaceholder(EnglishText(id), "Writer  Error Code: 0 gnp.exe"))
        << id;
  }
}

TEST_F(ResultMessagesTest, FailurePrintsTheLastErrorInTheThreadLanguage) {
  platform::SetThreadLocale(1031);
  platform::SetLastError(1603);
  const auto boxes = Show(kMsgFailure);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, CatalogueEntry(1031, kCaptionError));
  EXPECT_EQ(boxes[0].text, CatalogueMessage(1031, kMsgFailure, "1603"));
  EXPECT_NE(boxes[0].text.find("Fehlercode: 1603"), std::string::npos);
}

TEST_F(ResultMessagesTest, FailurePrintsTheLastErrorAsSignedDecimal) {
  platform::SetLastError(0xC0000005);
  const auto boxes = Show(kMsgFailure);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, FillPlaceholder(EnglishText(kMsgFailure), "-1073741819"));
}

TEST_F(ResultMessagesTest, ProductNameInTheThreadLanguage) {
  platform::SetThreadLocale(1041);
  CurrentProductName() = L"\x30B5\x30F3\x30D7\x30EB";  // a Japanese name
  const std::string name = platform::host::Narrow(CurrentProductName());
  for (std::uint32_t id : {kMsgSuccess, kMsgNotNeeded, kMsgWrongVersion}) {
    const auto boxes = Show(id);
    ASSERT_EQ(boxes.size(), 1u) << id;
    EXPECT_EQ(boxes[0].text, CatalogueMessage(1041, id, name)) << id;
  }
}

TEST_F(ResultMessagesTest, UserDefaultLocaleFollowsTheEnvironment) {
  env_.Set("LANG", "fr_FR.UTF-8");
  platform::SetThreadLocale(platform::kLocaleUserDefault);
  CurrentProductName() = L"Sample Writer";
  const auto boxes = Show(kMsgNotNeeded);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, CatalogueEntry(1036, kCaptionUnnecessary));
  EXPECT_EQ(boxes[0].text, CatalogueMessage(1036, kMsgNotNeeded, "Sample Writer"));
}

TEST_F(ResultMessagesTest, MissingSublanguageUsesItsPrimaryLanguage) {
  platform::SetThreadLocale(3079);  // German (Austria)
  CurrentProductName() = L"Sample Writer";
  const auto boxes = Show(kMsgSuccess);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, CatalogueEntry(1031, kCaptionSuccess));
  EXPECT_EQ(boxes[0].text, CatalogueMessage(1031, kMsgSuccess, "Sample Writer"));
}

// The template of 301 is 68 characters; the buffer holds it plus 512, one of
// them for the terminator.
class LongProductNameTest : public ResultMessagesTest,
                            public testing::WithParamInterface<std::size_t> {};

TEST_P(LongProductNameTest, IsCutAtTheEndOfTheBuffer) {
  const std::size_t nameLength = GetParam();
  std::wstring name;
  for (std::size_t i = 0; i < nameLength; ++i) name += static_cast<wchar_t>(L'a' + i % 26);
  CurrentProductName() = name;
  const std::string tmpl = EnglishText(kMsgSuccess);
  const auto boxes = Show(kMsgSuccess);
  ASSERT_EQ(boxes.size(), 1u);
  const std::string full = FillPlaceholder(tmpl, platform::host::Narrow(name));
  const std::size_t limit = tmpl.size() + 511;
  EXPECT_EQ(boxes[0].text, full.substr(0, limit));
  EXPECT_LE(boxes[0].text.size(), limit);
}

// 513: the text fills the buffer exactly; 514 loses the final '.'; 600 cuts
// into the name itself.
INSTANTIATE_TEST_SUITE_P(Lengths, LongProductNameTest,
                         testing::Values(0u, 100u, 512u, 513u, 514u, 600u, 2000u),
                         testsupport::CaseName());

TEST_F(ResultMessagesTest, LongNameInATranslatedTemplate) {
  // The buffer grows with the template: a long translation leaves the name
  // the same 512 spare characters.
  platform::SetThreadLocale(1041);
  CurrentProductName() = std::wstring(1000, L'x');
  const std::wstring tmpl = platform::host::Widen(CatalogueEntry(1041, kMsgWrongVersion));
  const auto boxes = Show(kMsgWrongVersion);
  ASSERT_EQ(boxes.size(), 1u);
  const std::wstring text = platform::host::Widen(boxes[0].text);
  EXPECT_EQ(text.size(), tmpl.size() + 511);
  EXPECT_EQ(
      text,
      (tmpl.substr(0, tmpl.find(L"%s")) + std::wstring(1000, L'x')).substr(0, tmpl.size() + 511));
}

class OverriddenCatalogueTest : public ResultMessagesTest {
 protected:
  void Use(std::span<const platform::host::EmbeddedString> strings) {
    platform::host::OverrideStrings(strings);
  }
};

TEST_F(OverriddenCatalogueTest, LoadCatalogueStringCutsAtTheBuffer) {
  static const std::string k254(254, 'a'), k255(255, 'b'), k256(256, 'c'), k300(300, 'd');
  static const platform::host::EmbeddedString strings[] = {
      {1033, 300, k254.c_str()},
      {1033, 301, k255.c_str()},
      {1033, 306, k256.c_str()},
      {1033, 307, k300.c_str()},
  };
  Use(strings);
  EXPECT_EQ(LoadCatalogueString(300, 256), std::wstring(254, L'a'));
  EXPECT_EQ(LoadCatalogueString(301, 256), std::wstring(255, L'b'));
  EXPECT_EQ(LoadCatalogueString(306, 256), std::wstring(255, L'c'));
  EXPECT_EQ(LoadCatalogueString(307, 256), std::wstring(255, L'd'));
  EXPECT_EQ(LoadCatalogueString(307, 10), std::wstring(9, L'd'));
  EXPECT_EQ(LoadCatalogueString(307, 2), L"d");
  EXPECT_EQ(LoadCatalogueString(307, 1), L"");
  EXPECT_EQ(LoadCatalogueString(307, 0), L"");
  EXPECT_EQ(LoadCatalogueString(308, 256), L"");
}

TEST_F(OverriddenCatalogueTest, TemplateCutBeforeItsPlaceholderPrintsNoName) {
  static const std::string tmpl = std::string(260, 't') + "%s";
  static const platform::host::EmbeddedString strings[] = {{1033, 301, tmpl.c_str()}};
  Use(strings);
  CurrentProductName() = L"Sample Writer";
  const auto boxes = Show(kMsgSuccess);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, std::string(255, 't'));
}

TEST_F(OverriddenCatalogueTest, EnglishWhenTheThreadLanguageHasNoEntry) {
  static const platform::host::EmbeddedString strings[] = {
      {1033, 301, "Updated %s."}, {1033, 312, "Done"}, {1036, 308, "Pas pour %s."}};
  Use(strings);
  CurrentProductName() = L"Sample Writer";
  for (std::uint32_t locale : {1031u, 1036u, 1041u}) {
    platform::SetThreadLocale(locale);
    const auto boxes = Show(kMsgSuccess);
    ASSERT_EQ(boxes.size(), 1u) << locale;
    EXPECT_EQ(boxes[0].caption, "Done") << locale;
    EXPECT_EQ(boxes[0].text, "Updated Sample Writer.") << locale;
  }
  // The language's own entry still wins where it has one.
  platform::SetThreadLocale(1036);
  const auto boxes = Show(kMsgWrongVersion);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Pas pour Sample Writer.");
}

TEST_F(OverriddenCatalogueTest, NoLanguageHasTheEntry) {
  static const platform::host::EmbeddedString strings[] = {{1033, 999, "unrelated"}};
  Use(strings);
  CurrentProductName() = L"Sample Writer";
  // The message's number, and its value, still reach the user.
  const struct {
    std::uint32_t id;
    const char* icon;
    const char* text;
  } cases[] = {{300, "error", "Message 300: 1603"},
               {301, "information", "Message 301: Sample Writer"},
               {307, "error", "Message 307"}};
  for (const auto& c : cases) {
    platform::SetLastError(1603);
    const auto boxes = Show(c.id);
    ASSERT_EQ(boxes.size(), 1u) << c.id;
    EXPECT_EQ(boxes[0].caption, "Error") << c.id;
    EXPECT_EQ(boxes[0].icon, c.icon) << c.id;
    EXPECT_EQ(boxes[0].text, c.text) << c.id;
  }
}

TEST_F(OverriddenCatalogueTest, MissingCaptionReadsError) {
  static const platform::host::EmbeddedString strings[] = {{1033, 308, "Not for %s."}};
  Use(strings);
  CurrentProductName() = L"Sample Writer";
  const auto boxes = Show(kMsgWrongVersion);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Not for Sample Writer.");
}

}  // namespace
}  // namespace spinstall::messages
