// Which catalogue language a thread locale gets, and the host user's default
// language from the POSIX locale variables.
#include "messages/catalogue_language.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/host/user_language.h"
#include "support/case_name.h"
#include "support/env_guard.h"

namespace spinstall::messages {
namespace {

struct ChoiceCase {
  std::uint32_t locale;
  std::uint16_t userDefault;
  std::uint16_t expected;
};
void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << "locale " << c.locale << " default " << c.userDefault;
}

class ChooseCatalogueLanguageTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseCatalogueLanguageTest, PicksFromTheCatalogue) {
  const ChoiceCase& c = GetParam();
  EXPECT_EQ(ChooseCatalogueLanguage(c.locale, c.userDefault, CatalogueLanguages()), c.expected)
      << "locale " << c.locale << ", user default " << c.userDefault;
}

INSTANTIATE_TEST_SUITE_P(
    Locales, ChooseCatalogueLanguageTest,
    testing::Values(
        // Languages the catalogue has.
        ChoiceCase{1031, 1033, 1031}, ChoiceCase{1041, 1033, 1041}, ChoiceCase{2052, 1033, 2052},
        ChoiceCase{1028, 1033, 1028}, ChoiceCase{1033, 1031, 1033},
        // A locale's sort order (high word) does not change its language.
        ChoiceCase{(1u << 16) | 1031, 1033, 1031}, ChoiceCase{0x20804, 1033, 2052},
        // 1024: the user's default, itself chosen like any other locale.
        ChoiceCase{1024, 1036, 1036}, ChoiceCase{1024, 3079, 1031}, ChoiceCase{1024, 1043, 1033},
        // Another sublanguage of a catalogue language: the same primary language.
        ChoiceCase{3079, 1033, 1031},  // German (Austria)
        ChoiceCase{2055, 1033, 1031},  // German (Switzerland)
        ChoiceCase{2057, 1031, 1033},  // English (United Kingdom)
        ChoiceCase{3082, 1033, 1034},  // Spanish, modern sort
        ChoiceCase{2058, 1033, 1034},  // Spanish (Mexico)
        ChoiceCase{3084, 1033, 1036},  // French (Canada)
        ChoiceCase{2070, 1033, 1046},  // Portuguese (Portugal)
        ChoiceCase{2064, 1033, 1040},  // Italian (Switzerland)
        // Chinese falls back within its own script.
        ChoiceCase{3076, 1033, 1028},  // Hong Kong: Traditional
        ChoiceCase{5124, 1033, 1028},  // Macao: Traditional
        ChoiceCase{4100, 1033, 2052},  // Singapore: Simplified
        // Languages the catalogue lacks altogether, and no language at all.
        ChoiceCase{1043, 1031, 1033}, ChoiceCase{1053, 1033, 1033}, ChoiceCase{0, 1031, 1033},
        ChoiceCase{0x3FF, 1033, 1033}),
    testsupport::CaseName());

TEST(ChooseCatalogueLanguage, ScriptFallbackNeedsItsLanguageInTheCatalogue) {
  // Without Simplified Chinese, Singapore still gets Chinese rather than English.
  constexpr std::uint16_t traditionalOnly[] = {1028, 1033};
  EXPECT_EQ(ChooseCatalogueLanguage(4100, 1033, traditionalOnly), 1028);
  constexpr std::uint16_t simplifiedOnly[] = {1033, 2052};
  EXPECT_EQ(ChooseCatalogueLanguage(3076, 1033, simplifiedOnly), 2052);
  constexpr std::uint16_t englishOnly[] = {1033};
  EXPECT_EQ(ChooseCatalogueLanguage(1031, 1033, englishOnly), 1033);
}

struct PosixCase {
  const char* locale;
  std::uint16_t expected;
};
void PrintTo(const PosixCase& c, std::ostream* os) { *os << c.locale; }

class LanguageFromPosixLocaleTest : public testing::TestWithParam<PosixCase> {};

TEST_P(LanguageFromPosixLocaleTest, MapsLanguageAndTerritory) {
  EXPECT_EQ(platform::host::LanguageFromPosixLocale(GetParam().locale), GetParam().expected)
      << '"' << GetParam().locale << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageFromPosixLocaleTest,
    testing::Values(PosixCase{"de_DE.UTF-8", 1031}, PosixCase{"de_AT.UTF-8", 3079},
                    PosixCase{"de_DE@euro", 1031}, PosixCase{"de@euro", 1031},
                    PosixCase{"fr_CA@euro", 3084}, PosixCase{"de_DE.ISO-8859-15@euro", 1031},
                    PosixCase{"fr_CA", 3084}, PosixCase{"fr_FR.UTF-8", 1036},
                    PosixCase{"ja_JP.eucJP", 1041}, PosixCase{"ko_KR.UTF-8", 1042},
                    PosixCase{"zh_TW.UTF-8", 1028}, PosixCase{"zh_CN.GB18030", 2052},
                    PosixCase{"zh_HK.UTF-8", 3076}, PosixCase{"zh_MO.UTF-8", 5124},
                    PosixCase{"zh_SG.UTF-8", 4100}, PosixCase{"pt_BR", 1046}, PosixCase{"pt", 1046},
                    PosixCase{"pt_PT.UTF-8", 2070}, PosixCase{"en_GB.UTF-8", 2057},
                    PosixCase{"ru_RU.KOI8-R", 1049}, PosixCase{"cs_CZ", 1029},
                    PosixCase{"hu_HU", 1038}, PosixCase{"pl_PL", 1045}, PosixCase{"it_IT", 1040},
                    PosixCase{"es_ES", 1034}, PosixCase{"nl_NL.UTF-8", 1043},
                    // No language, or one this table does not know: English.
                    PosixCase{"C", 1033}, PosixCase{"C.UTF-8", 1033}, PosixCase{"POSIX", 1033},
                    PosixCase{"", 1033}, PosixCase{"xx", 1033}, PosixCase{"xx_DE", 1033},
                    // The territory alone does not make a language.
                    PosixCase{"_DE", 1033}, PosixCase{"DE", 1033}),
    testsupport::CaseName());

TEST(UserDefaultLanguage, LcAllThenLcMessagesThenLang) {
  testsupport::EnvGuard env;
  env.Set("LC_ALL", "ja_JP.UTF-8");
  env.Set("LC_MESSAGES", "de_DE.UTF-8");
  env.Set("LANG", "fr_FR.UTF-8");
  EXPECT_EQ(platform::UserDefaultLanguage(), 1041);
  env.Unset("LC_ALL");
  EXPECT_EQ(platform::UserDefaultLanguage(), 1031);
  // An empty variable counts as unset.
  env.Set("LC_MESSAGES", "");
  EXPECT_EQ(platform::UserDefaultLanguage(), 1036);
  env.Unset("LANG");
  EXPECT_EQ(platform::UserDefaultLanguage(), 1033);
  env.Set("LC_ALL", "C");
  env.Set("LANG", "de_DE.UTF-8");
  EXPECT_EQ(platform::UserDefaultLanguage(), 1033);
}

}  // namespace
}  // namespace spinstall::messages
