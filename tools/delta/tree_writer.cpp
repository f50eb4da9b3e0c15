#include "delta/tree_writer.h"

#include <vector>

#include "delta/huffman.h"
#include "delta/lzxd_format.h"

namespace delta {
namespace {

struct PretreeStep {
  std::uint8_t symbol;
  std::uint8_t extra_bits;
  std::uint8_t extra;
  std::uint8_t then;  // for symbol 19: the length's own pretree symbol
};

std::uint8_t DeltaSymbol(std::uint8_t previous, std::uint8_t next) {
  return static_cast<std::uint8_t>((previous + 17 - next) % 17);
}

// Runs of zeros become 17 (4-19) or 18 (20-51); runs of one other length
// become 19 (4-5); anything else one symbol per length.
std::vector<PretreeStep> Steps(const std::uint8_t* previous, const std::uint8_t* next,
                               std::size_t count) {
  std::vector<PretreeStep> steps;
  for (std::size_t i = 0; i < count;) {
    std::size_t run = 1;
    while (i + run < count && next[i + run] == next[i]) ++run;
    if (next[i] == 0 && run >= 20) {
      const auto n = static_cast<std::uint8_t>(run > 51 ? 51 : run);
      steps.push_back({18, 5, static_cast<std::uint8_t>(n - 20), 0});
      i += n;
    } else if (next[i] == 0 && run >= 4) {
      steps.push_back({17, 4, static_cast<std::uint8_t>(run - 4), 0});
      i += run;
    } else if (run >= 4) {
      const auto n = static_cast<std::uint8_t>(run > 5 ? 5 : run);
      steps.push_back({19, 1, static_cast<std::uint8_t>(n - 4), DeltaSymbol(previous[i], next[i])});
      i += n;
    } else {
      steps.push_back({DeltaSymbol(previous[i], next[i]), 0, 0, 0});
      ++i;
    }
  }
  return steps;
}

}  // namespace

void WriteLengths(BitWriter& out, const std::uint8_t* previous, const std::uint8_t* next,
                  std::size_t count) {
  const std::vector<PretreeStep> steps = Steps(previous, next, count);
  std::vector<std::uint32_t> frequencies(kPretreeSymbols, 0);
  for (const auto& step : steps) {
    ++frequencies[step.symbol];
    if (step.symbol == 19) ++frequencies[step.then];
  }
  const std::vector<std::uint8_t> lengths = CodeLengths(frequencies, kMaxPretreeLength);
  const std::vector<std::uint16_t> codes = CanonicalCodes(lengths);
  for (auto length : lengths) out.Put(length, 4);
  for (const auto& step : steps) {
    out.Put(codes[step.symbol], lengths[step.symbol]);
    out.Put(step.extra, step.extra_bits);
    if (step.symbol == 19) out.Put(codes[step.then], lengths[step.then]);
  }
}

}  // namespace delta
