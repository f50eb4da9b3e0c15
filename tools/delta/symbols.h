// The tree symbols a token is written as: its main-tree symbol, and for a
// match past the length header's range its length-tree symbol.
#pragma once

#include "delta/token.h"

namespace delta {

struct Symbols {
  unsigned main;
  int length;  // -1: none
};

Symbols SymbolsOf(const Token& token);

// How a match's extended length (lengths from 257 on) is written: `prefix`
// in `prefix_bits`, then the length past 257 less `base` in `value_bits`.
struct ExtendedLength {
  std::uint32_t prefix;
  unsigned prefix_bits;
  unsigned value_bits;
  std::uint32_t base;
};
ExtendedLength ExtendedLengthOf(std::uint32_t length);
// Its bits, 0 for a shorter match.
unsigned ExtendedLengthBits(std::uint32_t length);

}  // namespace delta
