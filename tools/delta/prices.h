// What each token is expected to cost, in sixteenths of a bit, learnt from
// the tokens chosen so far: the parse weighs literals and matches by these
// prices.
#pragma once

#include <cstdint>
#include <vector>

#include "delta/token.h"

namespace delta {

class Prices {
 public:
  static constexpr std::uint32_t kBit = 16;

  explicit Prices(unsigned main_symbols);

  // Learns from the tokens of one more chunk; what came before counts less
  // each time, as the trees follow the data's changes block by block.
  void Learn(const Token* begin, const Token* end);

  std::uint32_t Literal(std::uint8_t byte) const { return main_[byte]; }
  // A match of `length` at a formatted offset (0-2: the repeated offsets).
  std::uint32_t Match(std::uint32_t formatted_offset, std::uint32_t length) const;

 private:
  void Recompute();

  std::vector<double> main_counts_, length_counts_;
  std::vector<std::uint32_t> main_, length_;
};

}  // namespace delta
