// Which language of the message catalogue a message is taken in.
#pragma once

#include <cstdint>
#include <span>

namespace spinstall::messages {

// The languages the catalogue carries.
std::span<const std::uint16_t> CatalogueLanguages();

inline constexpr std::uint16_t kEnglish = 1033;

// The catalogue language for a thread locale: the locale's own language when
// the catalogue has it, else an available language with the same primary
// language (for Chinese, one of the same script), else English. Locale 1024
// stands for `userDefault`.
std::uint16_t ChooseCatalogueLanguage(std::uint32_t locale, std::uint16_t userDefault,
                                      std::span<const std::uint16_t> available);

}  // namespace spinstall::messages
