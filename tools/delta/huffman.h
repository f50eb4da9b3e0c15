// Canonical Huffman codes as the stream stores them: only each symbol's path
// length (0 = absent), codes assigned in order of length, then of symbol.
#pragma once

#include <cstdint>
#include <vector>

#include "delta/bit_reader.h"
#include "delta/lzxd_format.h"

namespace delta {

// Path lengths of at most `limit` bits for these frequencies. Always a
// complete code: when fewer than two symbols occur, the first unused ones
// get a code too, so any decoder accepts the tree.
std::vector<std::uint8_t> CodeLengths(const std::vector<std::uint32_t>& frequencies,
                                      unsigned limit);

// The code of each symbol, for lengths CodeLengths made.
std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths);

// Decodes symbols of a tree read from the stream.
class HuffmanDecoder {
 public:
  // False for lengths that over-subscribe the code space (an incomplete
  // code is accepted; its missing codes fail when met).
  bool Build(const std::vector<std::uint8_t>& lengths);
  // The next symbol; false at a code that is not in the tree or past the
  // end of the input.
  bool Decode(BitReader& bits, unsigned& symbol) const;

 private:
  static constexpr unsigned kTableBits = 10;
  // Short codes: symbol << 5 | length, 0 for longer or missing ones.
  std::vector<std::uint32_t> table_;
  // Canonical decoding of the rest: per length the first code, the count
  // and where its symbols start in sorted_.
  std::uint32_t first_[17] = {};
  std::uint32_t count_[17] = {};
  std::uint32_t start_[17] = {};
  std::vector<std::uint16_t> sorted_;
};

}  // namespace delta
