#include "launcher/catalogue_language.h"

#include <algorithm>

#include "platform/environment.h"

namespace spinstall::launcher {
namespace {

constexpr std::uint16_t kLanguages[] = {1028, 1029, 1031, 1033, 1034, 1036, 1038,
                                        1040, 1041, 1042, 1045, 1046, 1049, 2052};

constexpr std::uint16_t PrimaryLanguage(std::uint16_t language) { return language & 0x3FF; }

}  // namespace

std::span<const std::uint16_t> CatalogueLanguages() { return kLanguages; }

std::uint16_t ChooseCatalogueLanguage(std::uint32_t locale, std::uint16_t userDefault,
                                      std::span<const std::uint16_t> available) {
  std::uint16_t wanted = static_cast<std::uint16_t>(locale & 0xFFFF);
  if (wanted == platform::kLocaleUserDefault) wanted = userDefault;
  if (std::find(available.begin(), available.end(), wanted) != available.end()) return wanted;
  const auto sibling = std::find_if(available.begin(), available.end(), [&](std::uint16_t l) {
    return PrimaryLanguage(l) == PrimaryLanguage(wanted);
  });
  return sibling != available.end() ? *sibling : kEnglish;
}

}  // namespace spinstall::launcher
