#include "delta/prices.h"

#include <cmath>
#include <numeric>

#include "delta/lzxd_format.h"
#include "delta/symbols.h"

namespace delta {
namespace {

// Each chunk's tokens weigh this much more than those of the chunk before:
// a block's trees usually serve several chunks.
constexpr double kKeep = 0.75;
// Added to every symbol's count, so that one not seen lately is dear but
// not out of reach, and a rare one does not swing the parse.
constexpr double kPrior = 0.5;

// The entropy coder's cost of each symbol: -log2 of its share, capped at
// the longest code a tree may hold.
std::vector<std::uint32_t> PricesOf(const std::vector<double>& counts) {
  const double total = std::accumulate(counts.begin(), counts.end(), 0.0) +
                       kPrior * static_cast<double>(counts.size());
  std::vector<std::uint32_t> prices(counts.size());
  for (std::size_t s = 0; s < counts.size(); ++s) {
    const double bits = std::min<double>(kMaxCodeLength, std::log2(total / (counts[s] + kPrior)));
    prices[s] = static_cast<std::uint32_t>(std::lround(std::max(1.0, bits) * Prices::kBit));
  }
  return prices;
}

}  // namespace

Prices::Prices(unsigned main_symbols)
    : main_counts_(main_symbols, 0.0), length_counts_(kLengthSymbols, 1.0) {
  // Before any data: literals about even, matches at the last offset
  // common, as in a file much like the old one.
  for (unsigned s = 0; s < kLiterals; ++s) main_counts_[s] = 4.0;
  for (unsigned h = 0; h < kLengthHeaders; ++h) main_counts_[kLiterals + h] = 64.0;
  Recompute();
}

void Prices::Learn(const Token* begin, const Token* end) {
  for (auto& c : main_counts_) c *= kKeep;
  for (auto& c : length_counts_) c *= kKeep;
  for (const Token* t = begin; t != end; ++t) {
    const Symbols symbols = SymbolsOf(*t);
    main_counts_[symbols.main] += 1.0;
    if (symbols.length >= 0) length_counts_[static_cast<unsigned>(symbols.length)] += 1.0;
  }
  Recompute();
}

void Prices::Recompute() {
  main_ = PricesOf(main_counts_);
  length_ = PricesOf(length_counts_);
}

std::uint32_t Prices::Match(std::uint32_t formatted_offset, std::uint32_t length) const {
  const Symbols symbols = SymbolsOf({length, formatted_offset});
  std::uint32_t price = main_[symbols.main] +
                        (FooterBits(SlotOf(formatted_offset)) + ExtendedLengthBits(length)) * kBit;
  if (symbols.length >= 0) price += length_[static_cast<unsigned>(symbols.length)];
  return price;
}

}  // namespace delta
