#include "delta/symbols.h"

#include <algorithm>

#include "delta/lzxd_format.h"

namespace delta {

Symbols SymbolsOf(const Token& token) {
  if (token.length == 0) return {token.value, -1};
  const unsigned header = std::min(token.length - kMinMatch, kLengthHeaders - 1);
  const unsigned main = kLiterals + SlotOf(token.value) * kLengthHeaders + header;
  if (header < kLengthHeaders - 1) return {main, -1};
  return {main, static_cast<int>(std::min(token.length - kMinMatch - header, kLengthSymbols - 1))};
}

ExtendedLength ExtendedLengthOf(std::uint32_t length) {
  const std::uint32_t extra = length - kLongestPlainMatch;
  if (extra < 256) return {0, 1, 8, 0};
  if (extra < 256 + 1024) return {2, 2, 10, 256};
  if (extra < 256 + 1024 + 4096) return {6, 3, 12, 1280};
  return {7, 3, 15, 0};
}

unsigned ExtendedLengthBits(std::uint32_t length) {
  if (length < kLongestPlainMatch) return 0;
  const ExtendedLength form = ExtendedLengthOf(length);
  return form.prefix_bits + form.value_bits;
}

}  // namespace delta
