#include "delta/parse.h"

#include <algorithm>
#include <array>

#include "delta/lzxd_format.h"
#include "delta/match_finder.h"
#include "delta/prices.h"

namespace delta {
namespace {

// A match this long is taken where it is met: the cheapest way through the
// bytes it covers is hardly ever another, and trying them all costs time
// in the square of its length.
constexpr std::uint32_t kTakeAt = 48;
constexpr std::uint32_t kUnreached = 0xFFFFFFFF;
// How many earlier positions of the same hash are tried.
constexpr unsigned kDeepChain = 8;
constexpr unsigned kShallowChain = 2;
constexpr std::uint32_t kFairMatch = 16;

using Repeated = std::array<std::uint32_t, 3>;

// The formatted offset of a match from a state of the repeated offsets,
// and the state after it, as the decoder keeps them.
std::uint32_t Formatted(std::uint32_t offset, Repeated& repeated) {
  for (unsigned r = 0; r < 3; ++r)
    if (offset == repeated[r]) {
      std::swap(repeated[0], repeated[r]);
      return r;
    }
  repeated = {offset, repeated[0], repeated[1]};
  return offset + 2;
}

// How the cheapest way found so far reaches a position.
struct Arrival {
  std::uint32_t price = kUnreached;
  std::uint32_t length = 0;  // of the last token, 0 for a literal
  std::uint32_t offset = 0;  // the last match's offset
  Repeated repeated{};       // after the last token
};

class Parser {
 public:
  Parser(const std::vector<std::uint8_t>& old_file, const std::vector<std::uint8_t>& new_file,
         std::uint32_t window)
      : finder_(old_file, new_file, window),
        prices_(kLiterals + PositionSlots(window) * kLengthHeaders),
        start_(static_cast<std::uint32_t>(old_file.size())),
        window_(window) {}

  std::vector<Token> Run() {
    for (std::uint32_t p = 0; p < start_; ++p) finder_.Insert(p);
    std::uint32_t p = start_;
    while (p < finder_.end()) {
      const std::uint32_t chunk_end = std::min<std::uint64_t>(
          finder_.end(), start_ + (std::uint64_t{p - start_} / kChunkSize + 1) * kChunkSize);
      const std::size_t first = tokens_.size();
      while (p < chunk_end) p = Stretch(p, chunk_end);
      prices_.Learn(tokens_.data() + first, tokens_.data() + tokens_.size());
    }
    return std::move(tokens_);
  }

 private:
  // The cheapest way from `base` up to `end`, or up to where a long match
  // is met and then that match; the position it reaches.
  std::uint32_t Stretch(std::uint32_t base, std::uint32_t end) {
    const std::uint32_t n = end - base;
    // Arrivals are set up only as far as a token reaches: most stretches
    // end at a long match a few bytes on.
    if (arrivals_.empty()) arrivals_.emplace_back();
    arrivals_[0] = Arrival{0, 0, 0, repeated_};
    reached_ = 0;
    for (std::uint32_t j = 0; j < n; ++j) {
      const std::uint32_t p = base + j;
      const Arrival here = arrivals_[j];
      const std::uint32_t room = n - j;
      Reach(j + 1, here.price + prices_.Literal(finder_.at(p)), 0, 0, here);
      // The repeated offsets, then what the chains find further back.
      Match longest{0, 0};
      std::uint32_t rep_lengths[3] = {};
      for (unsigned r = 0; r < 3; ++r) {
        const std::uint32_t offset = here.repeated[r];
        if (offset > p) continue;
        const std::uint32_t length = finder_.Extent(p, offset, room);
        rep_lengths[r] = length;
        if (length > longest.length) longest = {length, offset};
      }
      // A long repeated match is taken before a longer one elsewhere: the
      // edits of a file leave the offset to the old file the same.
      const std::uint32_t repeated_longest = longest.length;
      if (longest.length < kTakeAt) {
        // Past a fair repeated match the chains seldom offer a cheaper way.
        const unsigned depth = longest.length >= kFairMatch ? kShallowChain : kDeepChain;
        finder_.Find(p, room, longest.length, kTakeAt, depth, found_);
        for (const Match& match : found_)
          if (match.length > longest.length) longest = match;
        // The same place in the old file, which a chain of a common pattern
        // may hold too far back: where a file's edits begin.
        if (p - start_ < start_ && start_ <= window_ - 3) {
          const std::uint32_t length = finder_.Extent(p, start_, room);
          if (length > longest.length && length >= 3) {
            found_.push_back({length, start_});
            longest = found_.back();
          }
        }
      }
      if (longest.length >= kTakeAt) {
        Emit(base, j);
        Repeated repeated = arrivals_[j].repeated;
        tokens_.push_back({longest.length, Formatted(longest.offset, repeated)});
        repeated_ = repeated;
        for (std::uint32_t i = 0; i < longest.length; ++i) finder_.Insert(p + i);
        return p + longest.length;
      }
      finder_.Insert(p);
      for (unsigned r = 0; r < 3; ++r)
        for (std::uint32_t length = kMinMatch; length <= rep_lengths[r]; ++length)
          Reach(j + length, here.price + prices_.Match(r, length), length, here.repeated[r], here);
      // Lengths a repeated offset covers cost less from there.
      std::uint32_t shorter = std::max<std::uint32_t>(repeated_longest, 2);
      for (const Match& match : found_) {
        const bool repeated = std::find(here.repeated.begin(), here.repeated.end(), match.offset) !=
                              here.repeated.end();
        if (!repeated)
          for (std::uint32_t length = shorter + 1; length <= match.length; ++length)
            Reach(j + length, here.price + prices_.Match(match.offset + 2, length), length,
                  match.offset, here);
        shorter = match.length;
      }
    }
    Emit(base, n);
    repeated_ = arrivals_[n].repeated;
    return end;
  }

  void Reach(std::uint32_t j, std::uint32_t price, std::uint32_t length, std::uint32_t offset,
             const Arrival& from) {
    for (; reached_ < j; ++reached_) {
      if (reached_ + 1 == arrivals_.size()) arrivals_.emplace_back();
      arrivals_[reached_ + 1] = Arrival{};
    }
    Arrival& to = arrivals_[j];
    if (price >= to.price) return;
    to.price = price;
    to.length = length;
    to.offset = offset;
    to.repeated = from.repeated;
    if (length != 0) Formatted(offset, to.repeated);
  }

  // The tokens of the cheapest way to arrival `j`.
  void Emit(std::uint32_t base, std::uint32_t j) {
    const std::size_t first = tokens_.size();
    while (j > 0) {
      const Arrival& arrival = arrivals_[j];
      const std::uint32_t step = arrival.length == 0 ? 1 : arrival.length;
      j -= step;
      // A match's offset is formatted below, once the order is known.
      tokens_.push_back(
          {arrival.length, arrival.length == 0 ? finder_.at(base + j) : arrival.offset});
    }
    std::reverse(tokens_.begin() + static_cast<std::ptrdiff_t>(first), tokens_.end());
    // Offsets become formatted in order, from the repeated offsets the way
    // began with.
    Repeated repeated = arrivals_[0].repeated;
    for (std::size_t t = first; t < tokens_.size(); ++t)
      if (tokens_[t].length != 0) tokens_[t].value = Formatted(tokens_[t].value, repeated);
  }

  MatchFinder finder_;
  Prices prices_;
  std::uint32_t start_;
  std::uint32_t window_;
  Repeated repeated_{1, 1, 1};
  std::vector<Arrival> arrivals_;
  std::uint32_t reached_ = 0;  // the furthest arrival set up
  std::vector<Match> found_;
  std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> ParseAgainst(const std::vector<std::uint8_t>& old_file,
                                const std::vector<std::uint8_t>& new_file, std::uint32_t window) {
  return Parser(old_file, new_file, window).Run();
}

}  // namespace delta
