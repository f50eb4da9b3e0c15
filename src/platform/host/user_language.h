// The host user's default language, from the POSIX locale variables.
#pragma once

#include <cstdint>
#include <string_view>

namespace spinstall::platform::host {

// The Windows language identifier of a POSIX locale name such as
// "de_DE.UTF-8"; 1033 for "C", "POSIX", empty or unknown names.
std::uint16_t LanguageFromPosixLocale(std::string_view locale);

}  // namespace spinstall::platform::host
