// The message catalogue: every language carries every message, fits the
// 256-character load buffer (the usage text its own) and takes the same
// argument as English; English reads exactly as it must.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "messages/catalogue_language.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/utf8.h"
#include "support/catalogue_text.h"

namespace {

using testsupport::CatalogueEntry;

using spinstall::messages::CatalogueLanguages;

// The result messages and captions, then the restart question and its caption.
constexpr std::uint32_t kIds[] = {300, 301, 306, 307, 308, 309, 310, 311, 312, 313, 316, 317};
// The usage box: its text (one line per option, loaded into 2048 characters)
// and caption.
constexpr std::uint32_t kUsageIds[] = {314, 315};
constexpr std::size_t kIdCount = std::size(kIds) + std::size(kUsageIds);

// The '%' sequences of a text in order ("%d", "%s", "%%", ...).
std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2))
    found.push_back(text.substr(at, 2));
  return found;
}

// Length in UTF-16 units, as the Windows string table counts it.
std::size_t Utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (wchar_t c : spinstall::platform::host::Widen(utf8)) units += c > 0xFFFF ? 2 : 1;
  return units;
}

class CatalogueLanguageEntries : public testing::TestWithParam<std::uint16_t> {};

TEST_P(CatalogueLanguageEntries, EveryIdFitsAndTakesTheEnglishArgument) {
  const std::uint16_t language = GetParam();
  for (std::uint32_t id : kIds) {
    SCOPED_TRACE("message " + std::to_string(id));
    const std::string text = CatalogueEntry(language, id);
    const std::string english = CatalogueEntry(1033, id);
    ASSERT_FALSE(text.empty());
    // The program loads entries into 256 characters, terminator included.
    EXPECT_LT(Utf16Length(text), 256u);
    EXPECT_EQ(Placeholders(text), Placeholders(english));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(english.begin(), english.end(), '\n'));
    EXPECT_EQ(text.find('\r'), std::string::npos);
  }
}

TEST_P(CatalogueLanguageEntries, UsageIsTranslatedWithALinePerOption) {
  const std::uint16_t language = GetParam();
  const std::string text = CatalogueEntry(language, 314);
  const std::string english = CatalogueEntry(1033, 314);
  EXPECT_LT(Utf16Length(text), 2048u);
  EXPECT_LT(Utf16Length(CatalogueEntry(language, 315)), 256u);
  EXPECT_FALSE(CatalogueEntry(language, 315).empty());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
            std::count(english.begin(), english.end(), '\n'));
  for (const char* option :
       {"\n/q ", "\n/e ", "\n/p ", "\n/i ", "\n/log ", "\n/exitcode ", "\n/busywait ",
        "\n/norestart ", "\n/promptrestart ", "\n/forcerestart ", "\n/? "})
    EXPECT_NE(text.find(option), std::string::npos) << option;
  if (language != 1033) {
    EXPECT_NE(text, english);
  }
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, CatalogueLanguageEntries,
                         testing::ValuesIn(CatalogueLanguages()),
                         testing::PrintToStringParamName());

TEST(Catalogue, EnglishReadsExactly) {
  ASSERT_EQ(testsupport::EnglishMessages().size(), std::size(kIds));
  for (const auto& message : testsupport::EnglishMessages())
    EXPECT_EQ(CatalogueEntry(1033, message.id), message.text) << "message " << message.id;
}

TEST(Catalogue, TranslationsDifferFromEnglish) {
  // A language file that copies English would pass every other check.
  for (std::uint16_t language : CatalogueLanguages()) {
    if (language == 1033) continue;
    for (std::uint32_t id : {301u, 316u, 317u})
      EXPECT_NE(CatalogueEntry(language, id), CatalogueEntry(1033, id)) << language << "/" << id;
  }
}

TEST(Catalogue, HoldsTheFourteenLanguagesAndFourteenIdsOnly) {
  const auto languages = CatalogueLanguages();
  ASSERT_EQ(languages.size(), 14u);
  std::set<std::pair<std::uint16_t, std::uint32_t>> seen;
  for (const auto& entry : spinstall::platform::host::BuiltInStrings()) {
    EXPECT_NE(std::find(languages.begin(), languages.end(), entry.language), languages.end())
        << entry.language;
    EXPECT_TRUE(std::find(std::begin(kIds), std::end(kIds), entry.id) != std::end(kIds) ||
                std::find(std::begin(kUsageIds), std::end(kUsageIds), entry.id) !=
                    std::end(kUsageIds))
        << entry.id;
    EXPECT_TRUE(seen.emplace(entry.language, entry.id).second)
        << "twice: " << entry.language << "/" << entry.id;
  }
  EXPECT_EQ(seen.size(), languages.size() * kIdCount);
}

// "ID=text" lines; '#' lines and empty lines skipped; "\n" is a line break.
std::vector<std::pair<std::uint32_t, std::string>> ReadLanguageFile(std::uint16_t language) {
  std::ifstream in(std::string(SPINSTALL_SOURCE_DIR) + "/resources/messages/" +
                   std::to_string(language) + ".txt");
  std::vector<std::pair<std::uint32_t, std::string>> entries;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    std::string text = line.substr(eq + 1);
    for (auto at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 1))
      text.replace(at, 2, "\n");
    entries.emplace_back(std::stoul(line.substr(0, eq)), text);
  }
  return entries;
}

TEST(Catalogue, BuiltInTableHoldsTheLanguageFilesAsWritten) {
  for (std::uint16_t language : CatalogueLanguages()) {
    const auto entries = ReadLanguageFile(language);
    EXPECT_EQ(entries.size(), kIdCount) << language;
    for (const auto& [id, text] : entries)
      EXPECT_EQ(CatalogueEntry(language, id), text) << language << "/" << id;
  }
}

}  // namespace
