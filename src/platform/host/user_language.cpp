#include "platform/host/user_language.h"

#include <cstdlib>

#include "platform/environment.h"

namespace spinstall::platform {
namespace host {
namespace {

struct LocaleLanguage {
  std::string_view name;  // "ll_TT" or "ll"
  std::uint16_t language;
};

// Territory-specific entries first; a bare language code gives its usual
// language identifier.
constexpr LocaleLanguage kLanguages[] = {
    {"zh_TW", 1028}, {"zh_HK", 3076}, {"zh_MO", 5124}, {"zh_CN", 2052}, {"zh_SG", 4100},
    {"pt_BR", 1046}, {"pt_PT", 2070}, {"en_GB", 2057}, {"en_US", 1033}, {"fr_CA", 3084},
    {"fr_BE", 2060}, {"fr_CH", 4108}, {"de_AT", 3079}, {"de_CH", 2055}, {"es_MX", 2058},
    {"es_ES", 1034}, {"zh", 2052},    {"cs", 1029},    {"de", 1031},    {"en", 1033},
    {"es", 1034},    {"fr", 1036},    {"hu", 1038},    {"it", 1040},    {"ja", 1041},
    {"ko", 1042},    {"pl", 1045},    {"pt", 1046},    {"ru", 1049},    {"nl", 1043},
    {"sv", 1053},    {"tr", 1055},    {"uk", 1058},    {"el", 1032},    {"fi", 1035},
    {"da", 1030},    {"nb", 1044},    {"he", 1037},    {"ar", 1025},
};

}  // namespace

std::uint16_t LanguageFromPosixLocale(std::string_view locale) {
  // "ll_TT.codeset@modifier": only language and territory matter.
  locale = locale.substr(0, locale.find_first_of(".@"));
  for (const auto& entry : kLanguages)
    if (entry.name == locale) return entry.language;
  const auto language = locale.substr(0, locale.find('_'));
  for (const auto& entry : kLanguages)
    if (entry.name == language) return entry.language;
  return 1033;
}

}  // namespace host

std::uint16_t UserDefaultLanguage() {
  // The variables that decide the language of messages, strongest first.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return host::LanguageFromPosixLocale(value);
  }
  return 1033;
}

}  // namespace spinstall::platform
