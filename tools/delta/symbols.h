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

// The bits of a match's extended length (lengths from 257 on).
unsigned ExtendedLengthBits(std::uint32_t length);

}  // namespace delta
