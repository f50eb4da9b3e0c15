#include "apply/decimal_reading.h"

#include <algorithm>
#include <iterator>

namespace spinstall::apply {
namespace {

// The digit zero of every script with decimal digits in the Basic Multilingual
// Plane (Unicode general category Nd); the nine digits after each follow it.
constexpr char16_t kDigitZeros[] = {0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6,
                                    0x0B66, 0x0BE6, 0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0,
                                    0x0F20, 0x1040, 0x1090, 0x17E0, 0x1810, 0x1946, 0x19D0, 0x1A80,
                                    0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620, 0xA8D0, 0xA900,
                                    0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10};

bool IsWhiteSpace(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

}  // namespace

int DecimalDigitValue(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  // The last zero not above `code`; the digit belongs to it when within nine.
  const auto* after = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), code);
  if (after == std::begin(kDigitZeros)) return -1;
  const std::uint32_t offset = code - *(after - 1);
  return offset <= 9 ? static_cast<int>(offset) : -1;
}

std::int32_t ReadDecimal(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  std::uint32_t value = 0;  // unsigned, so that wrapping is defined
  for (; i < text.size(); ++i) {
    const int digit = DecimalDigitValue(text[i]);
    if (digit < 0) break;
    value = value * 10u + static_cast<std::uint32_t>(digit);
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

}  // namespace spinstall::apply
