// The decimal reading of version fields and language identifiers.
#pragma once

#include <cstdint>
#include <string_view>

namespace spinstall::apply {

// The value of a decimal digit of any script (ASCII, the other Unicode scripts'
// decimal digits, full-width digits); -1 for every other character.
int DecimalDigitValue(wchar_t c);

// Skips leading white space, takes one optional '+' or '-', then decimal
// digits up to the first other character. No digits give 0. The value is
// accumulated in 32 bits without an overflow check (it wraps).
std::int32_t ReadDecimal(std::wstring_view text);

}  // namespace spinstall::apply
