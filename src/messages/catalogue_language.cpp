#include "messages/catalogue_language.h"

#include <algorithm>

#include "platform/environment.h"

namespace spinstall::messages {
namespace {

// One per file of the message catalogue (resources/messages/<language>.txt).
constexpr std::uint16_t kLanguages[] = {
#include "catalogue_languages.inc"
};

constexpr std::uint16_t PrimaryLanguage(std::uint16_t language) { return language & 0x3FF; }

// Chinese is written in two scripts: a Chinese sublanguage the catalogue lacks
// takes the catalogue language of its own script, not the first Chinese one.
struct ScriptSibling {
  std::uint16_t language;
  std::uint16_t sibling;
};
constexpr ScriptSibling kScriptSiblings[] = {
    {3076, 1028},  // Hong Kong: Traditional
    {5124, 1028},  // Macao: Traditional
    {4100, 2052},  // Singapore: Simplified
};

bool Has(std::span<const std::uint16_t> available, std::uint16_t language) {
  return std::find(available.begin(), available.end(), language) != available.end();
}

}  // namespace

std::span<const std::uint16_t> CatalogueLanguages() { return kLanguages; }

std::uint16_t ChooseCatalogueLanguage(std::uint32_t locale, std::uint16_t userDefault,
                                      std::span<const std::uint16_t> available) {
  std::uint16_t wanted = static_cast<std::uint16_t>(locale & 0xFFFF);
  if (wanted == platform::kLocaleUserDefault) wanted = userDefault;
  if (Has(available, wanted)) return wanted;
  for (const auto& script : kScriptSiblings)
    if (script.language == wanted && Has(available, script.sibling)) return script.sibling;
  const auto sibling = std::find_if(available.begin(), available.end(), [&](std::uint16_t l) {
    return PrimaryLanguage(l) == PrimaryLanguage(wanted);
  });
  return sibling != available.end() ? *sibling : kEnglish;
}

}  // namespace spinstall::messages
